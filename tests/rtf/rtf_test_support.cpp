#include "rtf_test_support.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace rtftest {

QString dataDir() {
    return QStringLiteral(KITHTALE_TEST_DATA_DIR);
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString readUtf8(const QString& path) {
    return QString::fromUtf8(readBytes(path));
}

std::vector<ManifestRow> loadManifest(const QString& folder) {
    std::vector<ManifestRow> rows;
    const QStringList lines =
        readUtf8(folder + QStringLiteral("/manifest.tsv")).split(u'\n', Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return rows;
    const QStringList header = lines.first().split(u'\t');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(u'\t');
        auto cell = [&](const char* name) {
            const qsizetype at = header.indexOf(QLatin1String(name));
            if (at < 0 || at >= cells.size())
                return QString();
            const QString v = cells[at].trimmed();
            return v == QLatin1String("-") ? QString() : v;
        };
        ManifestRow row;
        row.file = cell("file");
        row.expected = cell("expected");
        row.mode = cell("mode");
        row.ignore = cell("ignore");
        row.formats = cell("formats");
        row.description = cell("description");
        row.features = cell("features").split(u',', Qt::SkipEmptyParts);
        const QString alt = cell("alt_expected");
        if (!alt.isEmpty())
            row.alternatives = alt.split(u',', Qt::SkipEmptyParts);
        QString name = row.file;
        name.chop(4);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        row.name = name.toStdString();
        rows.push_back(row);
    }
    return rows;
}

QString normalise(QString text) {
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1)
            c = u'\n';
        else if (u == 0x00A0)
            c = u' ';
    }
    text.remove(QChar(0xFFFC));
    return text;
}

namespace {

QStringList words(const QString& text, const QString& ignore) {
    QStringList out;
    const QRegularExpression drop(
        ignore.isEmpty() ? QString() : QStringLiteral("^(?:") + ignore + QStringLiteral(")$"));
    for (const QString& w :
         text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (!ignore.isEmpty() && drop.match(w).hasMatch())
            continue;
        out << w;
    }
    return out;
}

} // namespace

QString compare(const QString& actualRaw, const QString& expectedRaw, const QString& mode,
                const QString& ignore) {
    QString actual = normalise(actualRaw);
    QString expected = normalise(expectedRaw);
    if (expected.endsWith(u'\n'))
        expected.chop(1);
    if (mode == QLatin1String("exact")) {
        // The reader's text may end with one LF or with none.
        if (actual == expected || actual == expected + u'\n')
            return {};
        const QStringList a = actual.split(u'\n');
        const QStringList e = expected.split(u'\n');
        for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
            const QString al = i < a.size() ? a[i] : QStringLiteral("<none>");
            const QString el = i < e.size() ? e[i] : QStringLiteral("<none>");
            if (al != el)
                return QStringLiteral("line %1: got [%2] expected [%3]").arg(i + 1).arg(al, el);
        }
        return QStringLiteral("differs");
    }
    if (mode == QLatin1String("words")) {
        const QStringList a = words(actual, ignore);
        const QStringList e = words(expected, ignore);
        if (a == e)
            return {};
        for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
            const QString aw = i < a.size() ? a[i] : QStringLiteral("<none>");
            const QString ew = i < e.size() ? e[i] : QStringLiteral("<none>");
            if (aw != ew)
                return QStringLiteral("word %1: got [%2] expected [%3]").arg(i + 1).arg(aw, ew);
        }
        return QStringLiteral("differs");
    }
    if (mode == QLatin1String("contains")) {
        qsizetype from = 0;
        for (const QString& line : expected.split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype at = actual.indexOf(line, from);
            if (at < 0)
                return QStringLiteral("missing in order: [%1]").arg(line);
            from = at + line.size();
        }
        return {};
    }
    return QStringLiteral("unknown mode %1").arg(mode);
}

QString documentText(const QTextDocument& document) {
    return document.toRawText();
}

bool runHas(const QTextDocument& document, const QString& text,
            const std::function<bool(const QTextCharFormat&)>& pred) {
    const QTextCursor found = document.find(text, 0, QTextDocument::FindCaseSensitively);
    if (found.isNull())
        return false;
    for (int pos = found.selectionStart(); pos < found.selectionEnd(); ++pos) {
        QTextCursor c(const_cast<QTextDocument*>(&document));
        c.setPosition(pos + 1);
        if (!pred(c.charFormat()))
            return false;
    }
    return true;
}

int imageCount(const QTextDocument& document) {
    int count = 0;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                count += it.fragment().length();
    return count;
}

} // namespace rtftest

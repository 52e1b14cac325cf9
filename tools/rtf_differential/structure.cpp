#include "structure.h"

#include "rtf/scripts.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <cmath>

namespace kt::rtftools {

namespace {

bool complexColours = true;

QString words(const QTextBlock& block, bool sizes) {
    QString out;
    const QString text = block.text();
    QString word;
    QTextCharFormat format;
    auto flush = [&] {
        if (word.isEmpty())
            return;
        QString marks;
        if (format.fontWeight() >= QFont::Bold)
            marks += QStringLiteral("b,");
        if (format.fontItalic())
            marks += QStringLiteral("i,");
        const double size = format.fontPointSize();
        if (sizes && size > 0 && std::abs(size - 12) > 0.01)
            marks += QString::number(size) + u',';
        const bool complex =
            kt::rtf::detail::scriptOf(word.at(0).unicode()) == kt::rtf::detail::Script::Complex;
        if (format.foreground().style() != Qt::NoBrush &&
            format.foreground().color() != QColor(Qt::black) && (complexColours || !complex))
            marks += format.foreground().color().name() + u',';
        if (!out.isEmpty())
            out += u' ';
        out += word;
        if (!marks.isEmpty())
            out += u'[' + marks.chopped(1) + u']';
        word.clear();
    };
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const qsizetype start = f.position() - block.position();
        for (qsizetype i = 0; i < f.length(); ++i) {
            const QChar c = text.at(start + i);
            if (c == QChar::ObjectReplacementCharacter) {
                flush();
                out += out.isEmpty() ? QStringLiteral("[img]") : QStringLiteral(" [img]");
            } else if (c.isSpace()) {
                flush();
            } else {
                if (word.isEmpty())
                    format = f.charFormat();
                word += c;
            }
        }
    }
    flush();
    return out;
}

void frame(QTextFrame* f, QString& out);

void table(QTextTable* t, QString& out) {
    out += QStringLiteral("table %1x%2\n").arg(t->rows()).arg(t->columns());
    for (int r = 0; r < t->rows(); ++r)
        for (int c = 0; c < t->columns(); ++c) {
            const QTextTableCell cell = t->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            QString inner;
            for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it)
                if (!it.currentFrame()) {
                    const QString w = words(it.currentBlock(), true);
                    if (!w.isEmpty())
                        inner += (inner.isEmpty() ? QString() : QStringLiteral(" / ")) + w;
                }
            out += QStringLiteral("cell %1,%2 %3x%4 | %5\n")
                       .arg(r)
                       .arg(c)
                       .arg(cell.rowSpan())
                       .arg(cell.columnSpan())
                       .arg(inner);
        }
}

void frame(QTextFrame* f, QString& out) {
    for (QTextFrame::iterator it = f->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            if (auto* t = qobject_cast<QTextTable*>(child))
                table(t, out);
            else
                frame(child, out);
            continue;
        }
        const QTextBlock b = it.currentBlock();
        const int level = b.blockFormat().headingLevel();
        const QString w = words(b, level == 0);
        if (w.isEmpty())
            continue;
        if (level > 0)
            out += QStringLiteral("h%1 | ").arg(level);
        else if (const QTextList* list = b.textList())
            out += QStringLiteral("li ") +
                   (list->format().style() >= QTextListFormat::ListSquare ? QStringLiteral("*")
                                                                          : list->itemText(b)) +
                   QStringLiteral(" | ");
        else
            out += QStringLiteral("p | ");
        out += w + u'\n';
    }
}

} // namespace

QString structure(const QTextDocument& document, bool withComplexColours) {
    complexColours = withComplexColours;
    QString out;
    frame(document.rootFrame(), out);
    return out;
}

} // namespace kt::rtftools

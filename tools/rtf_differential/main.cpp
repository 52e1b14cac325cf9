// rtf_differential [--count N] [--seed S] [--out DIR] [--soffice PATH]
//
// A developer's differential test of the codec against a word processor; not part of the
// program, not a CI step. It makes N random memoir documents (seeded: the same seed makes the
// same documents) in many scripts, with emphasis, sizes, colours, headings, nested numbered
// lists, tables with cells merged across and down, and pictures, as HTML. The toolkit's own
// reading of that HTML is the expected structure (see structure.h). Then:
//   self: our reader on our writer's output;
//   in:   the word processor converts the HTML to RTF, read by our reader;
//   out:  the word processor converts our writer's RTF to its own RTF, read by our reader.
// Each must show the expected structure. The word processor is LibreOffice, run headless
// (`soffice --headless --convert-to`); without it only the self check runs. Failures are kept
// in DIR/failures with the expected and the actual structure. Exit status 1 on any failure.
#include "rtf/rtf.h"
#include "structure.h"
#include "system/headless.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Words of the scripts a family's memoir mixes; each list is one script.
const std::vector<std::vector<const char16_t*>> kScripts = {
    {u"we", u"moved", u"to", u"the", u"farm", u"in", u"spring", u"grandmother", u"baked", u"bread",
     u"every", u"Sunday"},
    {u"Krak\u00f3w", u"\u0141\u00f3d\u017a", u"babcia", u"\u017c\u00f3\u0142w", u"ogr\u00f3d"},
    {u"\u0391\u03b8\u03ae\u03bd\u03b1", u"\u03b3\u03b9\u03b1\u03b3\u03b9\u03ac",
     u"\u03b8\u03ac\u03bb\u03b1\u03c3\u03c3\u03b1"},
    {u"\u0431\u0430\u0431\u0443\u0448\u043a\u0430", u"\u041c\u043e\u0441\u043a\u0432\u0430",
     u"\u0434\u043e\u043c"},
    {u"\u05e9\u05dc\u05d5\u05dd", u"\u05db\u05d4\u05df",
     u"\u05d9\u05e8\u05d5\u05e9\u05dc\u05d9\u05dd"},
    {u"\u0645\u0631\u064a\u0645", u"\u0628\u064a\u062a",
     u"\u0627\u0644\u0642\u0627\u0647\u0631\u0629"},
    {u"\u738b\u5c0f\u660e", u"\u5317\u4eac", u"\u5bb6\u5ead"},
    {u"\u5c71\u7530\u592a\u90ce", u"\u6771\u4eac", u"\u3055\u304f\u3089"},
};

class Generator {
public:
    explicit Generator(quint32 seed) : random_(seed) {}

    QString document() {
        QString html = QStringLiteral("<html><body>");
        const int parts = 4 + below(6);
        for (int i = 0; i < parts; ++i) {
            switch (below(6)) {
            case 0:
                html += QStringLiteral("<h%1>%2</h%1>").arg(1 + below(3)).arg(words(2, false));
                break;
            case 1:
                html += list(0, below(4) != 0);
                break;
            case 2:
                // Tables with nothing between them are one table to a word processor.
                if (html.endsWith(QLatin1String("</table>")))
                    html += QStringLiteral("<p>%1</p>").arg(words(3, true));
                html += table();
                break;
            case 3:
                html += QStringLiteral("<p>%1 <img src=\"pic.png\" width=\"40\" height=\"30\"> "
                                       "%2</p>")
                            .arg(words(3, true), words(2, true));
                break;
            default:
                html += QStringLiteral("<p>%1</p>").arg(words(4 + below(8), true));
                break;
            }
        }
        // The document ends with a paragraph: LibreOffice 7.4 reads the last paragraph of any
        // RTF file, its own too, without its list level.
        html += QStringLiteral("<p>%1</p>").arg(words(3, true));
        return html + QStringLiteral("</body></html>");
    }

private:
    int below(int n) { return static_cast<int>(random_.bounded(n)); }

    QString word(bool emphasis) {
        const auto& script =
            kScripts[static_cast<size_t>(below(static_cast<int>(kScripts.size())))];
        QString w =
            QString::fromUtf16(script[static_cast<size_t>(below(static_cast<int>(script.size())))]);
        if (!emphasis)
            return w;
        switch (below(8)) {
        case 0:
            return QStringLiteral("<b>%1</b>").arg(w);
        case 1:
            return QStringLiteral("<i>%1</i>").arg(w);
        case 2:
            return QStringLiteral("<b><i>%1</i></b>").arg(w);
        case 3:
            return QStringLiteral("<span style=\"font-size:18pt\">%1</span>").arg(w);
        case 4:
            return QStringLiteral("<span style=\"color:#c00000\">%1</span>").arg(w);
        default:
            return w;
        }
    }

    QString words(int n, bool emphasis) {
        QStringList out;
        for (int i = 0; i < n; ++i)
            out << word(emphasis);
        if (below(6) == 0)
            out << QString::fromUtf16(u"\U0001F600");
        return out.join(u' ');
    }

    // Sub-lists are of their list's kind: word processors number a bullet list inside a
    // numbered one.
    QString list(int depth, bool numbered) {
        QString html = numbered ? QStringLiteral("<ol>") : QStringLiteral("<ul>");
        const int items = 2 + below(3);
        for (int i = 0; i < items; ++i) {
            html += QStringLiteral("<li>") + words(1 + below(3), true);
            if (depth < 2 && below(3) == 0)
                html += list(depth + 1, numbered);
            html += QStringLiteral("</li>");
        }
        return html + (numbered ? QStringLiteral("</ol>") : QStringLiteral("</ul>"));
    }

    struct Cell {
        int row, column, rows, columns;
    };

    // Cells laid out with random merges; every row and every column keeps a cell that starts
    // in it, or the grid has a row or column no cell marks, which word processors drop.
    std::vector<Cell> layout(int rows, int columns, bool merges) {
        std::vector<std::vector<bool>> taken(static_cast<size_t>(rows),
                                             std::vector<bool>(static_cast<size_t>(columns)));
        std::vector<Cell> cells;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                if (taken[static_cast<size_t>(r)][static_cast<size_t>(c)])
                    continue;
                Cell cell{r, c, 1, 1};
                if (merges && below(4) == 0) {
                    cell.columns = 1 + below(columns - c);
                    cell.rows = 1 + below(rows - r);
                    for (int k = 1; k < cell.columns; ++k) // stop at a cell already taken
                        if (taken[static_cast<size_t>(r)][static_cast<size_t>(c + k)])
                            cell.columns = k;
                }
                for (int dr = 0; dr < cell.rows; ++dr)
                    for (int dc = 0; dc < cell.columns; ++dc)
                        taken[static_cast<size_t>(r + dr)][static_cast<size_t>(c + dc)] = true;
                cells.push_back(cell);
            }
        return cells;
    }

    static bool everyRowAndColumnStarts(const std::vector<Cell>& cells, int rows, int columns) {
        std::vector<bool> row(static_cast<size_t>(rows)), column(static_cast<size_t>(columns));
        for (const Cell& c : cells)
            row[static_cast<size_t>(c.row)] = column[static_cast<size_t>(c.column)] = true;
        return std::all_of(row.begin(), row.end(), [](bool b) { return b; }) &&
               std::all_of(column.begin(), column.end(), [](bool b) { return b; });
    }

    QString table() {
        const int rows = 2 + below(3), columns = 2 + below(3);
        std::vector<Cell> cells = layout(rows, columns, true);
        for (int tries = 0; !everyRowAndColumnStarts(cells, rows, columns); ++tries)
            cells = layout(rows, columns, tries < 20);
        QString html = QStringLiteral("<table border=\"1\">");
        for (int r = 0; r < rows; ++r) {
            html += QStringLiteral("<tr>");
            for (const Cell& cell : cells) {
                if (cell.row != r)
                    continue;
                html += QStringLiteral("<td rowspan=\"%1\" colspan=\"%2\">%3</td>")
                            .arg(cell.rows)
                            .arg(cell.columns)
                            .arg(below(5) == 0 ? QStringLiteral("<img src=\"pic.png\" width=\"40\" "
                                                                "height=\"30\">")
                                               : words(1 + below(3), true));
            }
            html += QStringLiteral("</tr>");
        }
        return html + QStringLiteral("</table>");
    }

    QRandomGenerator random_;
};

QByteArray picture() {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(70, 130, 180));
    QPainter(&image).fillRect(10, 8, 20, 14, QColor(240, 200, 80));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void load(QTextDocument& doc, const QString& html, const QByteArray& png) {
    doc.setDefaultFont(QFont(QStringLiteral("Liberation Serif"), 12));
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pic.png")), png);
    doc.setHtml(html);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Converts the files to the word processor's RTF, into to/.
bool convertSome(const QString& soffice, const QString& profile, const QStringList& files,
                 const QString& to, bool html) {
    QStringList args{QStringLiteral("-env:UserInstallation=") +
                         QUrl::fromLocalFile(profile).toString(),
                     QStringLiteral("--headless")};
    if (html)
        args << QStringLiteral("--infilter=HTML (StarWriter)");
    args << QStringLiteral("--convert-to") << QStringLiteral("rtf:Rich Text Format")
         << QStringLiteral("--outdir") << to << files;
    QProcess p;
    p.start(soffice, args);
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

// A few dozen files a run: one run given hundreds stopped part way without a word.
bool convert(const QString& soffice, const QString& profile, const QStringList& files,
             const QString& to, bool html) {
    for (qsizetype i = 0; i < files.size(); i += 40)
        if (!convertSome(soffice, profile, files.mid(i, 40), to, html))
            return false;
    return true;
}

struct Counts {
    int checked = 0, failed = 0;
};

} // namespace

int main(int argc, char** argv) {
    kt::system::useHeadlessDefaults("rtf-differential-runtime");
    QGuiApplication app(argc, argv);
    int count = 50;
    quint32 seed = 1;
    QString out, soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--count"))
            count = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seed"))
            seed = args[i + 1].toUInt();
        else if (args[i] == QLatin1String("--out"))
            out = args[i + 1];
        else if (args[i] == QLatin1String("--soffice"))
            soffice = args[i + 1];
    }
    QTemporaryDir temporary;
    if (out.isEmpty())
        out = temporary.path();
    // Absolute, as the word processor's profile is named by a file URL.
    const QDir dir(QDir(out).absolutePath());
    for (const char* sub : {"html", "ours", "in", "out", "failures", "profile"})
        dir.mkpath(QLatin1String(sub));
    const QByteArray png = picture();
    writeFile(dir.filePath(QStringLiteral("html/pic.png")), png);

    // Expected structure with and without the colours of complex-script words.
    std::vector<QString> expected(static_cast<size_t>(count)), judged(static_cast<size_t>(count));
    QStringList htmlFiles, ourFiles;
    Counts self, in, outward;
    auto check = [&](Counts& counts, const char* direction, int i, const QString& actual) {
        ++counts.checked;
        const QString& want =
            &counts == &self ? expected[static_cast<size_t>(i)] : judged[static_cast<size_t>(i)];
        if (actual == want)
            return;
        ++counts.failed;
        const QString base =
            dir.filePath(QStringLiteral("failures/doc%1.%2").arg(i).arg(QLatin1String(direction)));
        writeFile(base + QStringLiteral(".expected.txt"), want.toUtf8());
        writeFile(base + QStringLiteral(".actual.txt"), actual.toUtf8());
    };
    for (int i = 0; i < count; ++i) {
        Generator generator(seed + static_cast<quint32>(i));
        const QString html = generator.document();
        const QString name = QStringLiteral("doc%1").arg(i);
        writeFile(dir.filePath(QStringLiteral("html/%1.html").arg(name)), html.toUtf8());
        htmlFiles << dir.filePath(QStringLiteral("html/%1.html").arg(name));
        QTextDocument doc;
        load(doc, html, png);
        expected[static_cast<size_t>(i)] = kt::rtftools::structure(doc);
        judged[static_cast<size_t>(i)] = kt::rtftools::structure(doc, false);
        const QByteArray rtf = kt::rtf::write(doc);
        writeFile(dir.filePath(QStringLiteral("ours/%1.rtf").arg(name)), rtf);
        ourFiles << dir.filePath(QStringLiteral("ours/%1.rtf").arg(name));
        QTextDocument back;
        kt::rtf::read(rtf, back);
        check(self, "self", i, kt::rtftools::structure(back));
    }
    const bool judge = !soffice.isEmpty();
    if (judge) {
        const QString profile = dir.filePath(QStringLiteral("profile"));
        if (!convert(soffice, profile, htmlFiles, dir.filePath(QStringLiteral("in")), true) ||
            !convert(soffice, profile, ourFiles, dir.filePath(QStringLiteral("out")), false)) {
            std::fprintf(stderr, "rtf_differential: the word processor failed\n");
            return 2;
        }
        for (int i = 0; i < count; ++i) {
            for (auto [sub, counts, direction] :
                 {std::tuple{"in", &in, "in"}, std::tuple{"out", &outward, "out"}}) {
                QFile f(
                    dir.filePath(QStringLiteral("%1/doc%2.rtf").arg(QLatin1String(sub)).arg(i)));
                QTextDocument doc;
                if (f.open(QIODevice::ReadOnly))
                    kt::rtf::read(f.readAll(), doc);
                check(*counts, direction, i, kt::rtftools::structure(doc, false));
            }
        }
    }
    std::printf("documents %d (seed %u)\nself: %d checked, %d failed\n", count, seed, self.checked,
                self.failed);
    if (judge)
        std::printf("in:   %d checked, %d failed\nout:  %d checked, %d failed\n", in.checked,
                    in.failed, outward.checked, outward.failed);
    else
        std::printf("no word processor found: only the self check ran\n");
    std::printf("files in %s\n", qPrintable(out));
    return self.failed + in.failed + outward.failed > 0 ? 1 : 0;
}

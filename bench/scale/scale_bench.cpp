// How the work grows with the input: each shape is built at n and at 8n and the two times are
// put side by side. Linear work gives a ratio near 8; the aim is at most 10. Then the unbroken
// line against ordinary words of the same size, and typing latency at the end of long texts.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/scale/kithtale_scale_bench [--quick]
//       [--only TEXT] [--write DIR] [--count 1|8]
//
// Times are the main thread's CPU time (everything measured runs on it), so other work on the
// machine changes them little. Output: one tab-separated line per figure, read by bench/run.
// --count K runs the measured work of the editor rows once, at K times their n, for an
// instruction counter that collects inside timed() only (bench/run uses callgrind).
#include "rtf/document.h"
#include "rtf/rtf.h"
#include "system/memory.h"
#include "ui/print_pages.h"
#include "ui/rich_text_edit.h"
#include "windows/document/text_search.h"
#include "windows/questionnaire/answer_page.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

using kt::questionnaire::AnswerBox;
using kt::ui::RichTextEdit;

namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Not inlined: an instruction counter collects inside this function and nowhere else.
[[gnu::noinline]] double timed(const std::function<void()>& work) {
    const double t0 = cpuMs();
    work();
    return cpuMs() - t0;
}

// ---- RTF documents of each shape, n being the count of the thing that grows -----------------

QByteArray num(qsizetype n) {
    return QByteArray::number(n);
}

const char* const kHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}";

QByteArray paragraphs(qsizetype n) {
    QByteArray r = kHead;
    for (qsizetype i = 0; i < n; ++i)
        r += "We walked to school along the creek, {\\b and} in spring the water rose.\\par\n";
    return r + "}";
}

QByteArray listItems(qsizetype n) {
    QByteArray r = kHead;
    for (qsizetype i = 0; i < n; ++i)
        r += "{\\pntext " + num(i + 1) +
             ".\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1\\pnindent360}\\fi-360\\li720 item\\par\n";
    return r + "}";
}

QByteArray fontTable(qsizetype n) {
    QByteArray r = "{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (qsizetype i = 0; i < n; ++i)
        r += "{\\f" + num(i) + "\\fswiss Face" + num(i) + ";}";
    r += "}";
    for (qsizetype i = 0; i < n; ++i)
        r += "{\\f" + num(i) + " word }";
    return r + "}";
}

QByteArray colourTable(qsizetype n) {
    QByteArray r = QByteArray(kHead) + "{\\colortbl;";
    for (qsizetype i = 0; i < n; ++i)
        r += "\\red" + num(i % 256) + "\\green" + num(i / 256 % 256) + "\\blue" + num(i / 65536) +
             ";";
    r += "}";
    for (qsizetype i = 1; i <= n; ++i)
        r += "{\\cf" + num(i) + " word }";
    return r + "}";
}

QByteArray styleSheet(qsizetype n) {
    QByteArray r = QByteArray(kHead) + "{\\stylesheet{\\s0 Normal;}";
    for (qsizetype i = 1; i <= n; ++i)
        r += "{\\s" + num(i) + (i % 2 ? "\\outlinelevel1" : "") + "\\b\\fs" + num(20 + i % 20) +
             " Style " + num(i) + ";}";
    r += "}";
    for (qsizetype i = 1; i <= n; ++i)
        r += "\\pard\\s" + num(i) + " word\\par\n";
    return r + "}";
}

QByteArray listTable(qsizetype n) {
    QByteArray r = QByteArray(kHead) + "{\\*\\listtable";
    for (qsizetype i = 1; i <= n; ++i)
        r += "{\\list\\listtemplateid" + num(i) +
             "{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers"
             "\\'01;}\\fi-360\\li720}\\listid" +
             num(i) + "}";
    r += "}{\\*\\listoverridetable";
    for (qsizetype i = 1; i <= n; ++i)
        r += "{\\listoverride\\listid" + num(i) + "\\listoverridecount0\\ls" + num(i) + "}";
    r += "}";
    for (qsizetype i = 1; i <= n; i += std::max<qsizetype>(1, n / 50))
        r += "\\pard\\ls" + num(i) + "\\ilvl0 item\\par\n";
    return r + "}";
}

QByteArray tableRows(qsizetype rows, int cells, bool merged) {
    QByteArray def = "\\trowd";
    for (int c = 0; c < cells; ++c) {
        if (merged && c == 0)
            def += "\\clvmrg";
        if (merged && c == 1)
            def += "\\clmgf";
        if (merged && c == 2)
            def += "\\clmrg";
        def += "\\cellx" + num((c + 1) * 200);
    }
    QByteArray first = def;
    first.replace("\\clvmrg", "\\clvmgf");
    QByteArray r = kHead;
    for (qsizetype i = 0; i < rows; ++i) {
        r += i == 0 ? first : def;
        for (int c = 0; c < cells; ++c)
            r += "\\intbl c" + num(c) + "\\cell";
        r += "\\row\n";
    }
    return r + "\\pard after\\par}";
}

QByteArray nesting(qsizetype n) {
    return QByteArray(kHead) + QByteArray(n, '{') + "deep" + QByteArray(n, '}') + "}";
}

QByteArray pictures(qsizetype n) {
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    const QByteArray pict = "{\\pict\\pngblip\\picw4\\pich4 " + png.toHex() + "}";
    QByteArray r = kHead;
    for (qsizetype i = 0; i < n; ++i)
        r += "a " + pict + "\n";
    return r + "}";
}

QByteArray unbrokenRtf(qsizetype n) {
    return QByteArray(kHead) + QByteArray(n, 'x') + "}";
}

// ---- texts for the boxes and the editor -----------------------------------------------------

QString unbroken(qsizetype n) {
    QString s(n, QLatin1Char('-'));
    for (qsizetype i = 0; i < n; i += 11)
        s[i] = QLatin1Char('a' + i % 26);
    return s;
}

// Ordinary words, in paragraphs of a few lines each.
QString words(qsizetype n, bool oneParagraph = false) {
    const QString line = QStringLiteral("Grandpa kept bees behind the barn and sold the honey at "
                                        "the Saturday market. ");
    QString s;
    s.reserve(n + line.size());
    for (int i = 0; s.size() < n; ++i) {
        s += line;
        if (!oneParagraph && i % 4 == 3)
            s += QLatin1Char('\n');
    }
    s.truncate(n);
    return s;
}

// Puts the text in a shown control and lays all of it out, as opening a page or the editor does.
void openBox(const QString& text) {
    AnswerBox box(nullptr, QStringLiteral("txtBench"));
    box.resize(380, 160);
    box.show();
    box.setAnswer(text.toStdString());
    box.document()->documentLayout()->documentSize();
    box.viewport()->repaint();
}

void openEditor(const QString& text) {
    RichTextEdit edit;
    edit.resize(900, 650);
    edit.show();
    edit.setText(text);
    edit.document()->documentLayout()->documentSize();
    edit.viewport()->repaint();
}

// The document printed to a PDF file, in pages with their footers.
void printToPdf(const QTextDocument& doc) {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("story.pdf")));
    QString error;
    if (!kt::ui::printDocument(doc, printer, &error))
        std::fprintf(stderr, "print failed: %s\n", qPrintable(error));
}

void printPdf(const QString& text) {
    kt::rtf::Document doc;
    QTextCursor(&doc).insertText(text);
    printToPdf(doc);
}

// The time of reading one document of the shape at n, built outside the timing.
double measure(const std::function<QByteArray(qsizetype)>& make, qsizetype n) {
    const QByteArray data = make(n);
    kt::rtf::Document doc;
    return timed([&] { kt::rtf::read(data, doc); });
}

// The least any reader must ask of the toolkit: the paragraphs shape's n paragraphs, each with
// its three runs, appended to the toolkit's own document through its cursor, in one edit block
// with no undo. No tokens, no state, no reader; how this grows from n to 8n is the floor the
// machine and the toolkit set for every reader shape.
double toolkitAppend(qsizetype n) {
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    const QString before = QStringLiteral("We walked to school along the creek, ");
    const QString middle = QStringLiteral("and");
    const QString after = QStringLiteral(" in spring the water rose.");
    return timed([&] {
        QTextCursor cursor(&doc);
        cursor.beginEditBlock();
        for (qsizetype i = 0; i < n; ++i) {
            if (i > 0)
                cursor.insertBlock(QTextBlockFormat(), plain);
            cursor.insertText(before, plain);
            cursor.insertText(middle, bold);
            cursor.insertText(after, plain);
        }
        cursor.endEditBlock();
    });
}

// The time of deleting a list of n items whole in the editor's control, laid out and shown.
double deleteList(qsizetype n) {
    RichTextEdit edit;
    edit.resize(900, 650);
    kt::rtf::read(listItems(n), *edit.document());
    edit.show();
    edit.viewport()->repaint();
    return timed([&] {
        QTextCursor cursor(edit.document());
        cursor.select(QTextCursor::Document);
        cursor.removeSelectedText();
        edit.viewport()->repaint();
    });
}

// The time of giving all of n characters in the editor's control another font, laid out again
// and drawn.
double restyleAll(qsizetype n) {
    RichTextEdit edit;
    edit.resize(900, 650);
    edit.show();
    edit.setText(words(n));
    edit.document()->documentLayout()->documentSize();
    edit.viewport()->repaint();
    edit.selectAll();
    return timed([&] {
        edit.setSelectionFont(QStringLiteral("Liberation Serif"), 14, true, false, false);
        edit.viewport()->repaint();
    });
}

// A reference row is no shape of ours: it shows what the toolkit itself does at those sizes.
void row(const char* figure, qsizetype n, double small, double large, bool reference = false) {
    const double ratio = large / std::max(small, 0.001);
    std::printf("scale\t%s\t%lld\t%.1f\t%.1f\t%.1f\t%s\n", figure, static_cast<long long>(n), small,
                large, ratio,
                reference       ? "reference"
                : ratio <= 10.0 ? "ok"
                                : "OVER");
    std::fflush(stdout);
}

// Median of the time from a key press to the repainted viewport, typing at the end.
template <class Edit> double typingLatency(Edit& edit, int keys) {
    edit.moveCursor(QTextCursor::End);
    edit.ensureCursorVisible();
    edit.viewport()->repaint();
    std::vector<double> times;
    for (int i = 0; i < keys; ++i) {
        const QString ch(QLatin1Char('a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, ch);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, ch);
        const double t0 = cpuMs();
        QApplication::sendEvent(&edit, &press);
        QApplication::sendEvent(&edit, &release);
        QCoreApplication::processEvents();
        edit.viewport()->repaint();
        times.push_back(cpuMs() - t0);
    }
    std::nth_element(times.begin(), times.begin() + keys / 2, times.end());
    return times[keys / 2];
}

} // namespace

int main(int argc, char** argv) {
    kt::system::keepFreedMemory(); // as the program does
    QApplication app(argc, argv);
    // --quick divides every n by 4 and --times K multiplies it by K; --only TEXT measures only
    // the rows whose name holds TEXT; --write DIR writes the reader's documents at n and 8n to
    // DIR instead of timing anything.
    bool quick = false;
    qsizetype times = 1;
    qsizetype countAt = 0;
    std::string only, writeTo;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick")
            quick = true;
        else if (arg == "--times" && i + 1 < argc)
            times = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (arg == "--write" && i + 1 < argc)
            writeTo = argv[++i];
        else if (arg == "--count" && i + 1 < argc)
            countAt = std::max(1, std::atoi(argv[++i]));
    }
    const auto wanted = [&](const char* name) {
        return only.empty() || std::string(name).find(only) != std::string::npos;
    };
    const qsizetype q = quick ? 4 : 1;

    struct ReaderShape {
        const char* name;
        qsizetype n;
        std::function<QByteArray(qsizetype)> make;
    };
    const ReaderShape readerShapes[] = {
        {"RTF read: paragraphs", 20000 * times / q, paragraphs},
        {"RTF read: one list of N items", 10000 * times / q, listItems},
        {"RTF read: font table of N used fonts", 10000 * times / q, fontTable},
        {"RTF read: colour table of N used colours", 10000 * times / q, colourTable},
        {"RTF read: list table of N lists", 2000 * times / q, listTable},
        {"RTF read: style sheet of N styles, each used", 10000 * times / q, styleSheet},
        {"RTF read: table of N rows x 3 cells", 2000 * times / q,
         [](qsizetype n) { return tableRows(n, 3, false); }},
        {"RTF read: table of N cells in rows of 60", 3000 * times / q,
         [](qsizetype n) { return tableRows(n / 60, 60, false); }},
        {"RTF read: table of N rows with merged cells", 2000 * times / q,
         [](qsizetype n) { return tableRows(n, 4, true); }},
        {"RTF read: N nested groups", 20000 * times / q, nesting},
        {"RTF read: N pictures", 500 * times / q, pictures},
        {"RTF read: one unbroken line of N characters", 200000 * times / q, unbrokenRtf},
    };
    if (!writeTo.empty()) {
        // The documents themselves, for counting the reader's instructions outside this process.
        int index = 0;
        for (const ReaderShape& s : readerShapes) {
            ++index;
            if (!wanted(s.name))
                continue;
            std::printf("file\t%s\t%lld", s.name, static_cast<long long>(s.n));
            for (const qsizetype n : {s.n, 8 * s.n}) {
                const QString path = QStringLiteral("%1/%2-%3.rtf")
                                         .arg(QString::fromStdString(writeTo))
                                         .arg(index)
                                         .arg(n);
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly) || file.write(s.make(n)) < 0)
                    return 1;
                std::printf("\t%s", qPrintable(path));
            }
            std::printf("\n");
        }
        return 0;
    }

    // The best of two runs at each size, each size after a warm-up run of its own, so that both
    // sizes are measured alike.
    const auto best = [](const std::function<double()>& run) {
        run();
        return std::min(run(), run());
    };
    // A row measured at n and 8n, or with --count its work run once at the size asked.
    const auto measureRow = [&](const char* name, qsizetype n,
                                const std::function<double(qsizetype)>& run) {
        if (countAt > 0) {
            run(countAt * n);
            return;
        }
        row(name, n, best([&] { return run(n); }), best([&] { return run(8 * n); }));
    };
    for (const ReaderShape& s : readerShapes) {
        if (!wanted(s.name) || countAt > 0) // bench/run counts the reader in rtf2text
            continue;
        row(s.name, s.n, best([&] { return measure(s.make, s.n); }),
            best([&] { return measure(s.make, 8 * s.n); }));
    }
    if (const char* name = "Toolkit alone: the paragraphs appended, no reader";
        wanted(name) && countAt == 0) {
        const qsizetype n = 20000 * times / q;
        row(name, n, best([&] { return toolkitAppend(n); }),
            best([&] { return toolkitAppend(8 * n); }), true);
    }
    if (const char* name = "RTF write: one list of N items"; wanted(name) && countAt == 0) {
        const auto write = [](qsizetype n) {
            kt::rtf::Document doc;
            kt::rtf::read(listItems(n), doc);
            return timed([&] { kt::rtf::write(doc); });
        };
        const qsizetype n = 10000 * times / q;
        row(name, n, best([&] { return write(n); }), best([&] { return write(8 * n); }));
    }
    if (const char* name = "Editor: all of N characters given another font";
        wanted(name) && countAt == 0) {
        const qsizetype n = 125000 * times / q;
        row(name, n, best([&] { return restyleAll(n); }), best([&] { return restyleAll(8 * n); }));
    }
    if (const char* name = "Editor: one list of N items deleted whole"; wanted(name)) {
        measureRow(name, 10000 * times / q, deleteList);
    }

    // The needle grows with the text: a search that slides it one place at a time would take
    // 64 times as long at 8n.
    if (const char* name = "Find: N/2000 characters absent from N of one letter"; wanted(name)) {
        const auto find = [](qsizetype n) {
            const QString text(n, QLatin1Char('-'));
            const QString needle = QLatin1Char('x') + QString(n / 2000 - 1, QLatin1Char('-'));
            kt::document::TextSearch search;
            search.find(text, 1, u"-", 0); // folds the text, as the first Find does
            return timed([&] { search.find(text, 1, needle, 0); });
        };
        measureRow(name, 2000000 * times / q, find);
    }
    if (const char* name = "Answer box: an HTML list of N items pasted as text";
        wanted(name) && countAt == 0) {
        const auto paste = [](qsizetype n) {
            const QString html = QStringLiteral("<ul>") +
                                 QStringLiteral("<li>item</li>").repeated(n) +
                                 QStringLiteral("</ul>");
            return timed([&] { kt::rtf::Document::plainTextOf(html); });
        };
        const qsizetype n = 5000 * times / q;
        row(name, n, best([&] { return paste(n); }), best([&] { return paste(8 * n); }));
    }
    if (const char* name = "Print to PDF: one list of N items"; wanted(name)) {
        const auto print = [](qsizetype n) {
            kt::rtf::Document doc;
            kt::rtf::read(listItems(n), doc);
            return timed([&] { printToPdf(doc); });
        };
        measureRow(name, 5000 * times / q, print);
    }

    struct WidgetShape {
        const char* name;
        qsizetype n;
        std::function<void(const QString&)> open;
        std::function<QString(qsizetype)> text;
    };
    const WidgetShape widgetShapes[] = {
        {"Answer box: one unbroken line of N characters", 100000 * times / q, openBox, unbroken},
        {"Answer box: N characters of words", 100000 * times / q, openBox,
         [](qsizetype n) { return words(n); }},
        {"Editor: one unbroken line of N characters", 100000 * times / q, openEditor, unbroken},
        {"Editor: N characters of words", 100000 * times / q, openEditor,
         [](qsizetype n) { return words(n); }},
        {"Print to PDF: N characters of words", 50000 * times / q, printPdf,
         [](qsizetype n) { return words(n); }},
    };
    for (const WidgetShape& s : widgetShapes) {
        if (!wanted(s.name) || countAt > 0)
            continue;
        const QString small = s.text(s.n), large = s.text(8 * s.n);
        row(s.name, s.n, best([&] { return timed([&] { s.open(small); }); }),
            best([&] { return timed([&] { s.open(large); }); }));
    }

    // One megabyte unbroken against one megabyte of words in one paragraph and in many.
    const qsizetype mb = (1 << 20) / q;
    if (!wanted("open 1 MB, typing") || countAt > 0)
        return 0;
    for (const auto& [name, open] :
         {std::pair<const char*, std::function<void(const QString&)>>{"Answer box", openBox},
          {"Editor", openEditor}}) {
        const double wordsMs = timed([&] { open(words(mb)); });
        const double paraMs = timed([&] { open(words(mb, true)); });
        const double unbrokenMs = timed([&] { open(unbroken(mb)); });
        std::printf("open\t%s\t%lld\t%.0f\t%.0f\t%.0f\t%.2f\n", name, static_cast<long long>(mb),
                    unbrokenMs, wordsMs, paraMs, unbrokenMs / std::max(wordsMs, 0.001));
        std::fflush(stdout);
    }

    // Typing at the end: the editor holding a 10 MB story, a box holding a 1 MB answer in lines
    // and one holding a 1 MB answer that is one paragraph (which the toolkit lays out again
    // whole at every key, so fewer keys are timed there).
    const int keys = quick ? 20 : 100;
    {
        RichTextEdit edit;
        edit.resize(900, 650);
        edit.show();
        edit.setText(words(10 * mb).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
        std::printf("typing\tEditor, end of a 10 MB story\t%d\t%.2f\n", keys,
                    typingLatency(edit, keys));
    }
    for (const bool oneParagraph : {false, true}) {
        AnswerBox box(nullptr, QStringLiteral("txtBench"));
        box.resize(380, 160);
        box.show();
        box.setAnswer(words(mb, oneParagraph).toStdString());
        const int n = oneParagraph ? std::min(keys, 15) : keys;
        std::printf("typing\tAnswer box, end of a 1 MB answer %s\t%d\t%.2f\n",
                    oneParagraph ? "that is one paragraph" : "in paragraphs", n,
                    typingLatency(box, n));
    }
    std::fflush(stdout);
    return 0;
}

// File > Print: the printer dialog offers a PDF file, and what is printed is the whole story in
// pages, each with its footer, read back out of the PDF with poppler-utils (scripts/setup).
#include "core/question_catalog.h"
#include "editor_fixture.h"
#include "windows/document/story_print.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTimer>

#include <algorithm>

using namespace kt;
using namespace kt::ui;

namespace {

using test::tool;

int pageCount(const QString& pdf) {
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                       .match(tool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString pageText(const QString& pdf, int page) {
    const QString n = QString::number(page);
    return tool(QStringLiteral("pdftotext"),
                {QStringLiteral("-f"), n, QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
}

// The story's words in order, as printed: the footers left out, all spacing made one space.
std::string printedText(const QString& pdf) {
    return tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
        .remove(QRegularExpression(QStringLiteral("Page \\d+ of \\d+")))
        .simplified()
        .toStdString();
}
// The same of the document's text; a picture is no word.
std::string words(QString text) {
    return text.remove(QChar::ObjectReplacementCharacter).simplified().toStdString();
}

class Print : public test::EditorFixture {
protected:
    // Prints through File > Print, choosing the PDF file in the printer dialog.
    void printTo(const QString& pdf) {
        dialogs->answerPrinter(pdf);
        trigger("mnuFilePrint");
    }
};

TEST_F(Print, TheWholeStoryInPagesWithItsFooterAndTheDocumentUntouched) {
    for (const CatalogEntry& e : QuestionCatalog::instance().all())
        state().answers.setTextOf(e, "My answer to question " + std::to_string(e.sequence) +
                                         ", long enough to fill a line or two of the page.");
    openEditor();
    QTextDocument* doc = txt()->document();
    const QString text = txt()->Text();
    const int undoSteps = doc->availableUndoSteps();
    const QSizeF pageSize = doc->pageSize();
    ASSERT_TRUE(editor()->documentModified());
    const std::size_t messages = dialogs->messages.size();

    const QString pdf = path(QStringLiteral("story.pdf"));
    dialogs->answerPrinter(std::nullopt);
    trigger("mnuFilePrint");
    EXPECT_FALSE(QFileInfo::exists(pdf)) << "a cancel prints nothing";
    ASSERT_EQ(dialogs->printers.size(), 1u);
    EXPECT_TRUE(dialogs->printers[0].pdfFileName.endsWith(QStringLiteral("/Life Story.pdf")))
        << "a story never saved is offered under a name of its own";

    printTo(pdf);
    EXPECT_EQ(dialogs->messages.size(), messages) << "a print that works says nothing";
    const int pages = pageCount(pdf);
    EXPECT_GE(pages, 5);
    EXPECT_EQ(printedText(pdf), words(text)) << "every heading, question and answer";
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(
            pageText(pdf, page).contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages)))
            << "footer of page " << page;

    // Margins of 2 cm (56.7 points) around the text; the footer stands in the bottom one.
    const QString boxes =
        tool(QStringLiteral("pdftotext"),
             {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
              QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    const auto height =
        QRegularExpression(QStringLiteral("<page width=\"[\\d.]+\" height=\"([\\d.]+)\""))
            .match(boxes)
            .captured(1)
            .toDouble();
    double left = 1e9, top = 1e9, bottom = 0, footerTop = 1e9;
    auto words = QRegularExpression(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                                   "xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\">([^<]*)<"))
                     .globalMatch(boxes);
    while (words.hasNext()) {
        const auto w = words.next();
        if (w.captured(4) == QLatin1String("Page") || w.captured(3).toDouble() > height - 50) {
            footerTop = std::min(footerTop, w.captured(2).toDouble());
            continue;
        }
        left = std::min(left, w.captured(1).toDouble());
        top = std::min(top, w.captured(2).toDouble());
        bottom = std::max(bottom, w.captured(3).toDouble());
    }
    ASSERT_GT(height, 700);
    EXPECT_NEAR(left, 56.7, 2);
    EXPECT_NEAR(top, 56.7, 4);
    EXPECT_LE(bottom, height - 56.7);
    EXPECT_GT(footerTop, height - 56.7);

    // Printing laid out a copy: the document, its undo history and the modified flag stay.
    EXPECT_EQ(txt()->Text(), text);
    EXPECT_EQ(doc->availableUndoSteps(), undoSteps);
    EXPECT_EQ(doc->pageSize(), pageSize);
    EXPECT_TRUE(editor()->documentModified());
    trigger("mnuFileSave");
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    printTo(pdf);
    EXPECT_FALSE(editor()->documentModified());
    EXPECT_EQ(dialogs->printers.back().pdfFileName, path(QStringLiteral("Story.pdf")))
        << "offered beside the story file";

    // A longer story takes more pages.
    txt()->setText(text + text);
    printTo(pdf);
    EXPECT_GE(pageCount(pdf), 2 * pages - 1);
}

TEST_F(Print, APictureFromAnOpenedStoryIsPrinted) {
    const QString story = path(QStringLiteral("Holiday.rtf"));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(KITHTALE_TEST_DATA_DIR "/rtf-corpus/lo-image-png.rtf"), story));
    openEditor();
    dialogs->answerMessage(MsgButton::No);
    dialogs->answerOpen(story);
    trigger("mnuFileOpen");
    ASSERT_EQ(editor()->currentFile(), story);
    const qsizetype pictures = txt()->Text().count(QChar::ObjectReplacementCharacter);
    ASSERT_GT(pictures, 0);

    // The name offered, beside the story, taken as it is.
    const QString pdf = path(QStringLiteral("Holiday.pdf"));
    dialogs->answerPrinter(pdf);
    trigger("mnuFilePrint");
    ASSERT_EQ(dialogs->printers.back().pdfFileName, pdf);
    EXPECT_EQ(printedText(pdf), words(txt()->Text()));
    EXPECT_EQ(test::pdfImageCount(pdf), pictures);
}

TEST_F(Print, AFailedPrintIsToldInOneMessage) {
    openEditor();
    const QString pdf = path(QStringLiteral("gone/story.pdf"));
    dialogs->answerMessage(MsgButton::Ok);
    const std::size_t messages = dialogs->messages.size();
    printTo(pdf);
    ASSERT_EQ(dialogs->messages.size(), messages + 1);
    EXPECT_EQ(dialogs->messages.back(),
              (MessageRequest{
                  QStringLiteral("Your story could not be printed to this PDF file:\n") + pdf +
                      QStringLiteral("\n\nReason: No such file or directory\n\nYour "
                                     "document is still here.  Please print it "
                                     "again, for example to another folder."),
                  QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok, MsgButton::Ok}));
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// A long story prints under the wait cursor, and the editor is drawn again first, so the
// dialog's place is not left blank while the pages are made; a short one prints without it.
TEST_F(Print, ALongStoryPrintsUnderTheWaitCursorWithTheWindowDrawn) {
    struct PaintWatch : QObject {
        std::vector<bool> waiting;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                const QCursor* cursor = QGuiApplication::overrideCursor();
                waiting.push_back(cursor && cursor->shape() == Qt::WaitCursor);
            }
            return QObject::eventFilter(watched, event);
        }
    };
    openEditor();
    for (const bool long_ : {false, true}) {
        if (long_)
            txt()->setText(
                QStringLiteral("A line of the story, as long as most.\r\n").repeated(8000));
        PaintWatch watch;
        editor()->installEventFilter(&watch);
        const QString pdf = path(long_ ? QStringLiteral("long.pdf") : QStringLiteral("short.pdf"));
        printTo(pdf);
        editor()->removeEventFilter(&watch);
        EXPECT_EQ(std::count(watch.waiting.begin(), watch.waiting.end(), true) > 0, long_);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_GT(pageCount(pdf), long_ ? 50 : 2);
    }
}

// The real dialog: with no printer installed, "Print to File (PDF)" is chosen already, with the
// story's name; OK sets the printer up to write it.
TEST_F(Print, TheDialogOffersThePdfFile) {
    const QString pdf = path(QStringLiteral("Story.pdf"));
    const bool noPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
    QString chosen, file;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers")))
            chosen = printers->currentText();
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
            file = name->text();
        dialog->accept();
    });
    Dialogs::install(nullptr);
    QPrinter printer;
    const bool accepted = Dialogs::current().printer(printer, {pdf});
    Dialogs::install(dialogs.get());
    ASSERT_TRUE(accepted);
    EXPECT_EQ(file.toStdString(), pdf.toStdString());
    if (noPrinter) {
        EXPECT_EQ(chosen.toStdString(), "Print to File (PDF)");
        EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
        EXPECT_EQ(printer.outputFileName().toStdString(), pdf.toStdString());
    }
}

} // namespace

// Numbered lists print with the toolkit's own numbers, each beside its item: nested lists of a
// word processor, and a list long enough to run over pages.
TEST_F(Print, ListItemsPrintWithTheirNumbers) {
    const QString story = path(QStringLiteral("Lists.rtf"));
    ASSERT_TRUE(QFile::copy(
        QStringLiteral(KITHTALE_TEST_DATA_DIR "/rtf-corpus/lo-lists-nested.rtf"), story));
    openEditor();
    dialogs->answerMessage(MsgButton::No);
    dialogs->answerOpen(story);
    trigger("mnuFileOpen");
    QTextCursor end(txt()->document());
    end.movePosition(QTextCursor::End);
    QTextListFormat roman;
    roman.setStyle(QTextListFormat::ListUpperRoman);
    roman.setNumberPrefix(QStringLiteral("("));
    roman.setNumberSuffix(QStringLiteral(")"));
    end.insertBlock();
    end.createList(roman);
    for (int i = 1; i <= 150; ++i)
        end.insertText(QStringLiteral("a line of the long list\n").repeated(i < 150));

    QStringList expected;
    for (QTextBlock b = txt()->document()->begin(); b.isValid(); b = b.next())
        if (const QTextList* list = b.textList();
            list && list->format().style() <= QTextListFormat::ListDecimal)
            expected << (list->itemText(b) + u' ' + b.text()).simplified();
    ASSERT_GT(expected.size(), 150);

    const QString pdf = path(QStringLiteral("Lists.pdf"));
    printTo(pdf);
    ASSERT_GT(pageCount(pdf), 2);
    QStringList printed;
    for (const QString& line :
         tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
             .split(u'\n'))
        printed << line.simplified();
    qsizetype at = 0;
    for (const QString& item : expected) {
        at = printed.indexOf(item, at);
        ASSERT_GE(at, 0) << "not printed in its place: " << item.toStdString();
    }
}

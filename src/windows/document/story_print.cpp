#include "windows/document/story_print.h"

#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/print_pages.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>
#include <QTextDocument>

namespace kt::document {

using namespace kt::ui;

namespace {
// About 0.2 s of laying out and drawing pages here (some 50 pages); more on a slower machine.
constexpr int kBusyPrintLength = 1 << 18;
} // namespace

QString pdfFileFor(const QString& storyFile) {
    if (!storyFile.isEmpty()) {
        const QFileInfo story(storyFile);
        return story.dir().filePath(story.completeBaseName() + QStringLiteral(".pdf"));
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("Life Story.pdf"));
}

void printStory(const QTextDocument& story, const QString& storyFile, QWidget* window) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(storyFile.isEmpty() ? QStringLiteral("Life Story")
                                           : QFileInfo(storyFile).completeBaseName());
    printer.setCreator(QStringLiteral("Kithtale"));
    if (!Dialogs::current().printer(printer, {pdfFileFor(storyFile)}))
        return;
    QString reason;
    bool printed = false;
    {
        const BusyCursor busy(story.characterCount() > kBusyPrintLength, window);
        printed = printDocument(story, printer, &reason);
    }
    if (printed)
        return;
    if (reason.isEmpty())
        reason = QStringLiteral("unknown");
    const QString text =
        printer.outputFormat() == QPrinter::PdfFormat
            ? QStringLiteral("Your story could not be printed to this PDF file:\n") +
                  printer.outputFileName() + QStringLiteral("\n\nReason: ") + reason +
                  QStringLiteral("\n\nYour document is still here.  Please print it again, for "
                                 "example to another folder.")
            : QStringLiteral("Your story could not be printed on the printer \"") +
                  printer.printerName() + QStringLiteral("\".\n\nReason: ") + reason +
                  QStringLiteral("\n\nPlease check that the printer is switched on and "
                                 "connected, then print again.");
    messageBox(text, QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok,
               MsgButton::Ok);
}

} // namespace kt::document

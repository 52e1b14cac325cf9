#include "ui/print_pages.h"

#include "rtf/document.h"
#include "rtf/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <memory>

namespace kt::ui {
namespace {

constexpr qreal kMarginInches = 2 / 2.54;
// The layout reads frame margins in pixels of 1/96 inch and scales them to its device.
constexpr qreal kLayoutDpi = 96;
constexpr qreal kFooterPoints = 10;

void paintPage(QPainter& painter, QAbstractTextDocumentLayout& layout, const QSizeF& page,
               qreal margin, int number, int count) {
    // The laid-out copy is one long strip of pages; this page is its slice.
    const QRectF slice(0, (number - 1) * page.height(), page.width(), page.height());
    painter.save();
    painter.translate(0, -slice.top());
    painter.setClipRect(slice);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = slice;
    // Text without a colour of its own is black on paper, whatever the desktop's theme.
    context.palette.setColor(QPalette::Text, Qt::black);
    layout.draw(&painter, context);
    painter.restore();

    painter.setPen(Qt::black);
    painter.drawText(QRectF(0, page.height() - margin, page.width(), margin), Qt::AlignCenter,
                     QStringLiteral("Page %1 of %2").arg(number).arg(count));
}

// Lays a copy of the document out in pages of the device and paints pages from..to (1-based,
// 0 for the first or the last), copies times over.
bool paintPages(const QTextDocument& document, QPagedPaintDevice& device, int from, int to,
                int copies, QString* error) {
    const std::unique_ptr<QTextDocument> copy = rtf::Document::copyOf(document);
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    layout->setPaintDevice(&device);
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(kMarginInches * kLayoutDpi);
    copy->rootFrame()->setFrameFormat(frame);
    const QSizeF page(device.width(), device.height());
    copy->setPageSize(page);
    const int count = copy->pageCount();

    from = from > 0 ? from : 1;
    to = to > 0 ? std::min(to, count) : count;
    if (from > to) {
        *error = QStringLiteral("the pages chosen are not in the story, which has %1 %2")
                     .arg(count)
                     .arg(count == 1 ? QStringLiteral("page") : QStringLiteral("pages"));
        return false;
    }

    QPainter painter;
    if (!painter.begin(&device)) {
        *error = QStringLiteral("the printer could not be reached");
        return false;
    }
    QFont footer(QStringLiteral("arial"));
    footer.setPointSizeF(kFooterPoints);
    painter.setFont(QFont(footer, &device));
    const qreal margin = kMarginInches * device.logicalDpiY();
    for (int c = 0; c < copies; ++c) {
        for (int number = from; number <= to; ++number) {
            if ((c > 0 || number > from) && !device.newPage()) {
                painter.end();
                *error = QStringLiteral("the printer took no further page");
                return false;
            }
            paintPage(painter, *layout, page, margin, number, count);
        }
    }
    if (!painter.end()) {
        *error = QStringLiteral("the printer did not take the pages");
        return false;
    }
    return true;
}

} // namespace

bool printDocument(const QTextDocument& document, QPrinter& printer, QString* error) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString path = printer.outputFileName();
        if (path.isEmpty()) {
            *error = QStringLiteral("no file name was given");
            return false;
        }
        // Made in memory, then written whole and checked, like a saved story.
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&pdf);
            writer.setResolution(printer.resolution());
            writer.setTitle(printer.docName());
            writer.setCreator(printer.creator());
            QPageLayout full(printer.pageLayout().pageSize(), printer.pageLayout().orientation(),
                             QMarginsF());
            full.setMode(QPageLayout::FullPageMode);
            writer.setPageLayout(full);
            if (!paintPages(document, writer, printer.fromPage(), printer.toPage(), 1, error))
                return false;
        }
        return rtf::saveBytes(path, pdf.data(), error);
    }
    // The margins are ours; the printer's own would be added to them.
    printer.setFullPage(true);
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    if (!paintPages(document, printer, printer.fromPage(), printer.toPage(), copies, error))
        return false;
    if (printer.printerState() == QPrinter::Error) {
        *error = QStringLiteral("the printer reported an error");
        return false;
    }
    return true;
}

} // namespace kt::ui

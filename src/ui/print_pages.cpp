#include "ui/print_pages.h"

#include "rtf/document.h"
#include "rtf/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QHash>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <memory>
#include <vector>

namespace kt::ui {
namespace {

constexpr qreal kMarginInches = 2 / 2.54;
// The layout reads frame margins in pixels of 1/96 inch and scales them to its device.
constexpr qreal kLayoutDpi = 96;
constexpr qreal kFooterPoints = 10;

// The numbers of the copy's numbered lists, drawn here rather than by the layout: the layout
// numbers each marker it draws by searching the item's list from its front, which makes
// printing a long list quadratic. Drawn where and as the layout draws them.
class NumberMarkers {
public:
    // Takes the numbers off the copy's items (the layout leaves an item of no list style
    // unmarked, its indent kept), keeping each one's text. Before the copy is laid out.
    explicit NumberMarkers(QTextDocument& copy) {
        QHash<const QTextList*, int> numbers;
        QTextBlockFormat unmarked;
        unmarked.setProperty(QTextFormat::ListStyle, QTextListFormat::ListStyleUndefined);
        for (QTextBlock block = copy.begin(); block.isValid(); block = block.next()) {
            const QTextList* list = block.textList();
            if (!list)
                continue;
            const int number = ++numbers[list];
            const QTextBlockFormat format = block.blockFormat();
            // An item styled on its own, or drawn as a check box, is left to the layout.
            if (format.hasProperty(QTextFormat::ListStyle) ||
                format.marker() != QTextBlockFormat::MarkerType::NoMarker || !block.isVisible())
                continue;
            QString text = rtf::listMarker(list->format(), number, block.textDirection());
            if (text.isEmpty())
                continue; // a bullet: the layout draws it without counting
            QTextCursor(block).mergeBlockFormat(unmarked);
            m_markers.push_back({block, std::move(text), {}, {}});
        }
    }

    // Once the copy is laid out: where each marker's line is, in the order of the pages. An item
    // with no line shows no marker.
    void place(const QAbstractTextDocumentLayout& layout) {
        std::erase_if(m_markers,
                      [](const Marker& m) { return m.block.layout()->lineCount() == 0; });
        for (Marker& m : m_markers) {
            m.origin = layout.blockBoundingRect(m.block).topLeft();
            m.line = m.block.layout()->lineAt(0).naturalTextRect();
            m_tallest = std::max(m_tallest, m.line.height());
        }
        std::stable_sort(m_markers.begin(), m_markers.end(),
                         [](const Marker& a, const Marker& b) { return a.top() < b.top(); });
    }

    // The markers whose item's first line shows in `slice`.
    void draw(QPainter& painter, QPaintDevice* device, const QRectF& slice,
              const QBrush& text) const {
        const auto first =
            std::lower_bound(m_markers.begin(), m_markers.end(), slice.top() - m_tallest,
                             [](const Marker& m, qreal y) { return m.top() < y; });
        for (auto m = first; m != m_markers.end() && m->top() < slice.bottom(); ++m)
            if (m->top() + m->line.height() > slice.top())
                drawOne(painter, device, *m, text);
    }

private:
    struct Marker {
        QTextBlock block;
        QString text;
        QPointF origin; // of the item's block on the strip of pages
        QRectF line;    // its first line, within the block
        qreal top() const { return origin.y() + line.top(); }
    };

    static void drawOne(QPainter& painter, QPaintDevice* device, const Marker& m,
                        const QBrush& text) {
        const QTextCharFormat format = m.block.charFormat();
        const QFont font = device ? QFont(format.font(), device) : format.font();
        const QFontMetrics metrics(font);
        const Qt::LayoutDirection direction = m.block.textDirection();
        // Rounded as the layout rounds its own markers.
        QPointF at = m.origin.toPoint();
        at += m.line.topLeft().toPoint();
        if (direction == Qt::RightToLeft)
            at.rx() += m.line.width();
        const qreal space = metrics.horizontalAdvance(QLatin1Char(' '));
        const qreal left = direction == Qt::LeftToRight
                               ? at.x() - space - metrics.horizontalAdvance(m.text)
                               : at.x() + space;

        QTextLayout marker(m.text, font, device);
        marker.setCacheEnabled(true);
        QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
        option.setTextDirection(direction);
        marker.setTextOption(option);
        marker.beginLayout();
        if (QTextLine l = marker.createLine(); l.isValid())
            l.setLeadingIncluded(true);
        marker.endLayout();

        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        QBrush pen = format.foreground();
        if (pen == Qt::NoBrush)
            pen = text;
        painter.setPen(QPen(pen, 0));
        marker.draw(&painter, QPointF(left, at.y()));
        painter.restore();
    }

    std::vector<Marker> m_markers;
    qreal m_tallest = 0;
};

void paintPage(QPainter& painter, QAbstractTextDocumentLayout& layout, const NumberMarkers& markers,
               const QSizeF& page, qreal margin, int number, int count) {
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
    markers.draw(painter, layout.paintDevice(), slice, context.palette.text());
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
    // Laid out once, in pages of the device, when all of it is set.
    copy->setLayoutEnabled(false);
    NumberMarkers markers(*copy);
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    layout->setPaintDevice(&device);
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(kMarginInches * kLayoutDpi);
    copy->rootFrame()->setFrameFormat(frame);
    const QSizeF page(device.width(), device.height());
    copy->setPageSize(page);
    copy->setLayoutEnabled(true);
    const int count = copy->pageCount();
    markers.place(*layout);

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
            paintPage(painter, *layout, markers, page, margin, number, count);
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

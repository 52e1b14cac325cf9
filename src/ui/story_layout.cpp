#include "ui/story_layout.h"

#include <QtGui/private/qfixed_p.h>
#include <QtGui/private/qfont_p.h>
#include <QtGui/private/qguiapplication_p.h>

#include <QPaintDevice>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <climits>
#include <cmath>

namespace kt::ui {
namespace {

// A line's height and where it stands, as the toolkit's layout works them out.
struct LineHeights {
    QFixed adjustment;
    QFixed height;
    QFixed bottom;
};

LineHeights lineHeights(const QTextBlockFormat& format, const QTextLine& line, qreal scaling) {
    const qreal raw = std::ceil(line.ascent() + line.descent() + line.leading());
    LineHeights h;
    h.height = QFixed::fromReal(format.lineHeight(raw, scaling));
    h.bottom = QFixed::fromReal(format.lineHeight(line.height(), scaling));
    switch (format.lineHeightType()) {
    case QTextBlockFormat::FixedHeight:
        h.adjustment = QFixed::fromReal(line.ascent() + qMax(line.leading(), qreal(0.0))) -
                       ((h.height * 4) / 5);
        break;
    case QTextBlockFormat::MinimumHeight:
        h.adjustment = QFixed::fromReal(line.height()) - h.height;
        break;
    default:
        break;
    }
    return h;
}

// The height of a paragraph's lines as they stand, and the widest of them with the right margin.
struct Extent {
    QFixed height;
    QFixed width;
};

Extent extentOf(const QTextLayout& layout, const QTextBlockFormat& format, qreal scaling,
                QFixed rightMargin) {
    Extent e;
    QFixed bottom;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const LineHeights h = lineHeights(format, line, scaling);
        bottom = e.height + h.bottom;
        e.height += h.height;
        e.width = qMax(e.width, QFixed::fromReal(line.x() + line.naturalTextWidth()) + rightMargin);
    }
    e.height = qMax(e.height, bottom);
    return e;
}

bool inRootFrame(const QTextBlock& block) {
    return !block.isValid() || QTextCursor(block).currentFrame() == block.document()->rootFrame();
}

} // namespace

StoryLayout::StoryLayout(QTextDocument* document)
    : QTextDocumentLayout(document), m_blockCount(document->blockCount()) {}

void StoryLayout::documentChanged(int from, int oldLength, int length) {
    const bool inPlace = relayoutParagraph(from, length);
    m_blockCount = document()->blockCount();
    if (!inPlace)
        QTextDocumentLayout::documentChanged(from, oldLength, length);
}

bool StoryLayout::relayoutParagraph(int from, int length) {
    QTextDocument* doc = document();
    // Paragraphs joined or split move everything after them; a layout still under way, pages,
    // and text that does not wrap at the width are the toolkit's.
    if (doc->blockCount() != m_blockCount || layoutStatus() != 100 ||
        doc->pageSize().height() > 0 || doc->pageSize().width() <= 0 ||
        (doc->defaultTextOption().flags() & QTextOption::AddSpaceForLineAndParagraphSeparators))
        return false;
    const QTextBlock block = doc->findBlock(from);
    if (!block.isValid() || !block.isVisible() ||
        from + length >= block.position() + block.length())
        return false;
    // Only a paragraph among paragraphs of the root frame, with nothing floating beside it.
    QTextFrame* root = doc->rootFrame();
    const QTextFrameFormat frame = root->frameFormat();
    if (frame.width().type() == QTextLength::FixedLength || !inRootFrame(block) ||
        !inRootFrame(block.previous()) || !inRootFrame(block.next()))
        return false;
    for (const QTextFrame* child : root->childFrames())
        if (child->frameFormat().position() != QTextFrameFormat::InFlow)
            return false;

    QTextLayout* layout = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection dir = block.textDirection();
    if (!layout || layout->lineCount() == 0 || layout->textOption().textDirection() != dir)
        return false;

    const QPaintDevice* device = paintDevice();
    const qreal dpiScale = device ? qreal(device->logicalDpiY()) / qreal(qt_defaultDpi()) : 1;
    const qreal scaling = device && device->logicalDpiY() != qt_defaultDpi() ? dpiScale : 1;

    // The root frame's contents, as the toolkit measures them: its margins grow with the
    // resolution the layout measures on.
    const auto toDevice = [device](qreal value) {
        const QFixed v = QFixed::fromReal(value);
        return device ? v * QFixed(device->logicalDpiY()) / QFixed(qt_defaultDpi()) : v;
    };
    if (!qFuzzyIsNull(frame.border()) || !qFuzzyIsNull(frame.padding()))
        return false;
    const QFixed leftMargin = toDevice(frame.leftMargin());
    const QFixed width = QFixed::fromReal(frame.width().value(doc->pageSize().width()));
    const QFixed contents = width - leftMargin - toDevice(frame.rightMargin());
    if (contents <= 0)
        return false;
    const QFixed xLeft = leftMargin;
    const QFixed xRight = xLeft + contents;

    // The paragraph's own margins and indent.
    qreal indent = format.indent();
    if (const QTextObject* list = doc->objectForFormat(format))
        indent += list->format().toListFormat().indent();
    const QFixed indentWidth =
        qFuzzyIsNull(indent) ? QFixed() : QFixed::fromReal(indent * dpiScale * doc->indentWidth());
    const QFixed totalLeft =
        QFixed::fromReal(format.leftMargin()) + (dir == Qt::RightToLeft ? QFixed() : indentWidth);
    const QFixed totalRight =
        QFixed::fromReal(format.rightMargin()) + (dir == Qt::RightToLeft ? indentWidth : QFixed());

    const Extent before = extentOf(*layout, format, scaling, totalRight);

    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(dir);
    option.setTabs(format.tabPositions());
    Qt::Alignment align = doc->defaultTextOption().alignment();
    if (format.hasProperty(QTextFormat::BlockAlignment))
        align = format.alignment();
    option.setAlignment(QGuiApplicationPrivate::visualAlignment(dir, align));
    if (format.nonBreakableLines())
        option.setWrapMode(QTextOption::ManualWrap);
    layout->setTextOption(option);
    const bool wordOrAnywhere = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;

    const QFixed l = qMax(xLeft, xLeft + totalLeft);
    const QFixed r = qMin(xRight, xRight - totalRight);
    const QFixed top = QFixed::fromReal(layout->position().y());
    QFixed y = top;
    QFixed bottom;
    bool firstLine = true;
    layout->beginLayout();
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        QFixed left = l;
        QFixed right = r;
        if (firstLine) {
            const QFixed textIndent = QFixed::fromReal(format.textIndent());
            if (dir == Qt::LeftToRight)
                left += textIndent;
            else
                right -= textIndent;
            firstLine = false;
        }
        line.setLineWidth((right - left).toReal());
        if (QFixed::fromReal(line.naturalTextWidth()) > right - left) {
            // A word wider than the line: broken anywhere, as the toolkit does.
            line.setLineWidth((right - left).toReal());
            if (QFixed::fromReal(line.naturalTextWidth()) > right - left) {
                if (wordOrAnywhere) {
                    option.setWrapMode(QTextOption::WrapAnywhere);
                    layout->setTextOption(option);
                }
                line.setLineWidth(qMax<qreal>(line.naturalTextWidth(), (right - left).toReal()));
                if (wordOrAnywhere) {
                    option.setWrapMode(QTextOption::WordWrap);
                    layout->setTextOption(option);
                }
            }
        }
        const LineHeights h = lineHeights(format, line, scaling);
        line.setPosition(QPointF((left - xLeft).toReal(), (y - top - h.adjustment).toReal()));
        bottom = y + h.bottom;
        y += h.height;
    }
    layout->endLayout();

    const Extent after = extentOf(*layout, format, scaling, totalRight);
    // A paragraph of another height moves the ones after it; one wider than the frame widens
    // the document: both are the toolkit's to lay out.
    if (after.height != before.height || qMax(y, bottom) - top != after.height ||
        before.width > contents || after.width > contents)
        return false;
    ++m_inPlace;
    Q_EMIT update(QRectF(0, top.toReal(), qreal(INT_MAX), after.height.toReal()));
    return true;
}

} // namespace kt::ui

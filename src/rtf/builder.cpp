// The document builder: runs and paragraphs outside tables (tables: builder_tables.cpp).
#include "builder.h"

#include "format_keys.h"

// The paragraphs are inserted straight into the document's piece table.
#include <QtGui/private/qtextdocument_p.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <limits>

namespace kt::rtf::detail {

DocumentBuilder::DocumentBuilder(QTextDocument& document)
    : m_cursor(&document), m_piece(QTextDocumentPrivate::get(&document)) {
    // One edit block: views and layouts hear of the new content once, not per run.
    m_cursor.beginEditBlock();
}

void DocumentBuilder::reserveText(qsizetype bytes) {
    // Only address space until written; beyond this the buffer grows as it fills.
    constexpr qsizetype kMostReserved = qsizetype(1) << 26;
    detail::reserveText(*m_piece, std::min(bytes, kMostReserved));
}

DocumentBuilder::Cell& DocumentBuilder::currentCell() {
    if (m_rows.empty())
        m_rows.emplace_back();
    Row& row = m_rows.back();
    if (row.cells.empty())
        row.cells.emplace_back();
    return row.cells.back();
}

DocumentBuilder::Paragraph& DocumentBuilder::tableParagraph() {
    Cell& cell = currentCell();
    if (cell.paragraphs.empty())
        cell.paragraphs.emplace_back();
    return cell.paragraphs.back();
}

// Only table cells collect runs: a table is inserted whole once it ends.
void DocumentBuilder::flushRun() {
    if (m_run.isEmpty())
        return;
    std::vector<Run>& runs = tableParagraph().runs;
    if (!runs.empty() && runs.back().formatId == m_runFormatId)
        runs.back().text += m_run;
    else
        runs.push_back(Run{m_run, m_runFormat, m_runFormatId});
    m_run.resize(0); // keeps the buffer for the next run
}

int DocumentBuilder::formatIndex(const QTextCharFormat& format, int formatId) {
    QTextFormatCollection* formats = m_piece->formatCollection();
    if (formatId < 0) {
        QTextCharFormat f = format;
        f.clearProperty(QTextFormat::ObjectIndex); // as the cursor inserts a picture
        return formats->indexForFormat(f);
    }
    if (static_cast<size_t>(formatId) >= m_formatIndices.size())
        m_formatIndices.resize(static_cast<size_t>(formatId) + 1, -1);
    int& index = m_formatIndices[static_cast<size_t>(formatId)];
    if (index < 0)
        index = formats->indexForFormat(format);
    return index;
}

void DocumentBuilder::open(bool inTable) {
    if (inTable && !m_inTable) {
        // Text before the table that no paragraph mark ended stays in its block as it is.
        insertParagraph(nullptr, nullptr);
        m_inTable = true;
        m_rows.clear();
        m_rows.emplace_back();
        m_rows.back().merges = m_rowMerges;
        m_rows.back().edges = m_rowEdges;
        m_rowEnded = m_cellEnded = false;
        m_pendingBlock = false;
    } else if (!inTable && m_inTable) {
        closeTable();
    } else if (m_inTable && (m_rowEnded || m_cellEnded)) {
        flushRun();
        if (m_rowEnded) {
            m_rows.emplace_back();
            m_rows.back().merges = m_rowMerges;
            m_rows.back().edges = m_rowEdges;
        } else if (m_rows.back().cells.size() < static_cast<size_t>(kMaxColumns)) {
            m_rows.back().cells.emplace_back();
        } else {
            currentCell().paragraphs.emplace_back();
        }
        m_rowEnded = m_cellEnded = false;
        m_pendingBlock = false;
    }
    if (m_pendingBlock) {
        if (m_inTable) {
            flushRun();
            currentCell().paragraphs.emplace_back();
        } else {
            // The block is made when the paragraph ends, with the character format a block
            // made now would have had until then.
            m_newBlock = true;
            m_newBlockFormat = m_lastRunFormat;
        }
        m_pendingBlock = false;
    }
}

void DocumentBuilder::text(QStringView text, const QTextCharFormat& format, int formatId,
                           bool inTable) {
    if (text.isEmpty())
        return;
    open(inTable);
    if (m_inTable) {
        if (!m_run.isEmpty() && formatId != m_runFormatId)
            flushRun();
        if (m_run.isEmpty()) {
            m_runFormat = format;
            m_runFormatId = formatId;
            m_lastRunFormat = formatIndex(format, formatId);
        }
        m_run += text;
        return;
    }
    if (m_spans.empty() || m_spanFormatId != formatId) {
        m_lastRunFormat = formatIndex(format, formatId);
        m_spans.push_back({0, m_lastRunFormat});
        m_spanFormatId = formatId;
    }
    m_spans.back().length += text.size();
    m_paragraphText += text;
}

void DocumentBuilder::image(const QTextImageFormat& format, bool inTable) {
    open(inTable);
    if (m_inTable) {
        flushRun();
        tableParagraph().runs.push_back(
            Run{QString(QChar::ObjectReplacementCharacter), format, -1});
        return;
    }
    m_spans.push_back({1, formatIndex(format, -1)});
    m_spanFormatId = -1;
    m_paragraphText += QChar::ObjectReplacementCharacter;
}

QTextBlockFormat DocumentBuilder::blockFormat(const ParagraphProps& props) {
    QTextBlockFormat block = props.block;
    if (m_pageBreakNext) {
        block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_pageBreakNext = false;
    }
    return block;
}

QTextList*& DocumentBuilder::listOf(const ParagraphProps& props) {
    // An item ends the deeper levels of its list: the next sub-list under it numbers from the
    // start again. The range ends within the key itself: the largest key has no next one to
    // stop at.
    m_lists.erase(
        m_lists.upper_bound(std::make_pair(props.listKey, props.listLevel)),
        m_lists.upper_bound(std::make_pair(props.listKey, std::numeric_limits<int>::max())));
    return m_lists[std::make_pair(props.listKey, props.listLevel)];
}

QTextListFormat DocumentBuilder::listFormat(const ParagraphProps& props) {
    QTextListFormat format;
    format.setStyle(props.listStyle);
    format.setIndent(props.listLevel + 1);
    return format;
}

void DocumentBuilder::applyThroughCursor(const ParagraphProps& props,
                                         const QTextCharFormat& markFormat) {
    m_cursor.setBlockFormat(blockFormat(props));
    m_cursor.setBlockCharFormat(markFormat);
    if (props.listKey != 0) {
        QTextList*& list = listOf(props);
        if (list)
            list->add(m_cursor.block());
        else
            list = m_cursor.createList(listFormat(props));
    }
}

namespace {

// Characters the cursor turns into block boundaries when it inserts text.
bool holdsBlockSeparator(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1)
            return true;
    }
    return false;
}

} // namespace

void DocumentBuilder::insertThroughCursor(const ParagraphProps* props,
                                          const QTextCharFormat* markFormat) {
    const QTextFormatCollection* formats = m_piece->formatCollection();
    if (m_newBlock)
        m_cursor.insertBlock(QTextBlockFormat(), m_newBlockFormat < 0
                                                     ? QTextCharFormat()
                                                     : formats->charFormat(m_newBlockFormat));
    qsizetype at = 0;
    for (const PieceRun& span : m_spans) {
        m_cursor.insertText(m_paragraphText.mid(at, span.length), formats->charFormat(span.format));
        at += span.length;
    }
    if (!props)
        return;
    applyThroughCursor(*props, *markFormat);
    if (!m_newBlock && m_spans.empty() && m_cursor.block().position() == 0) {
        QTextBlockFormat own;
        own.setProperty(kOwnParagraphKey, true);
        m_cursor.mergeBlockFormat(own);
    }
}

void DocumentBuilder::insertParagraph(const ParagraphProps* props,
                                      const QTextCharFormat* markFormat) {
    if (!props && !m_newBlock && m_spans.empty())
        return;
    // The document's first block and the one after a table exist already; a paragraph that the
    // cursor would break into several (a line feed in its text) is left to the cursor too.
    if (!props || !m_newBlock || holdsBlockSeparator(m_paragraphText)) {
        insertThroughCursor(props, markFormat);
    } else {
        QTextBlockFormat block = blockFormat(*props);
        if (props->listKey != 0) {
            QTextList*& list = listOf(*props);
            if (!list)
                list = static_cast<QTextList*>(m_piece->createObject(listFormat(*props)));
            block.setObjectIndex(list->objectIndex());
        }
        QTextFormatCollection* formats = m_piece->formatCollection();
        const int end = m_piece->length() - 1;
        const bool held = m_piece->blockCursorAdjustment;
        m_piece->blockCursorAdjustment = true;
        m_piece->insertBlock(end, formats->indexForFormat(block),
                             formats->indexForFormat(*markFormat));
        insertRuns(*m_piece, end + 1, m_paragraphText, m_spans);
        m_piece->blockCursorAdjustment = held;
        // Everything went in at the end: one move of the whole length is what each insertion's
        // own move would have added up to.
        if (!held)
            moveCursorsAfterInsert(*m_piece, end, static_cast<int>(m_paragraphText.size()) + 1);
    }
    m_paragraphText.resize(0);
    m_spans.clear();
    m_newBlock = false;
}

void DocumentBuilder::applyParagraph(const ParagraphProps& props,
                                     const QTextCharFormat& markFormat) {
    flushRun();
    if (m_inTable) {
        Paragraph& p = tableParagraph();
        p.props = props;
        p.mark = markFormat;
        p.ended = true;
        return;
    }
    insertParagraph(&props, &markFormat);
}

void DocumentBuilder::endParagraph(const ParagraphProps& props, const QTextCharFormat& markFormat,
                                   bool soft) {
    if (soft && m_pendingBlock)
        return;
    open(props.inTable);
    applyParagraph(props, markFormat);
    m_pendingBlock = true;
}

void DocumentBuilder::setRowDefinition(int cells, std::vector<std::pair<int, int>> merges,
                                       std::vector<int> rightEdges) {
    m_rowCells = std::clamp(cells, 0, kMaxColumns);
    m_rowMerges = std::move(merges);
    m_rowEdges = std::move(rightEdges);
    // A row definition written after its cells (as some producers do) belongs to that row.
    if (m_inTable && !m_rowEnded && !m_rows.empty()) {
        m_rows.back().merges = m_rowMerges;
        m_rows.back().edges = m_rowEdges;
    }
}

void DocumentBuilder::endCell(const ParagraphProps& props, const QTextCharFormat& markFormat) {
    open(true);
    applyParagraph(props, markFormat);
    m_cellEnded = true;
}

void DocumentBuilder::endRow() {
    if (!m_inTable)
        return;
    flushRun();
    m_rowEnded = true;
    m_cellEnded = false;
}

void DocumentBuilder::finish(const ParagraphProps& props, const QTextCharFormat& markFormat) {
    if (m_inTable) {
        if (!m_run.isEmpty())
            applyParagraph(props, markFormat);
        closeTable();
    } else {
        if (!m_pendingBlock && !m_spans.empty())
            applyParagraph(props, markFormat);
    }
    squeezeText(*m_piece);
    m_cursor.endEditBlock();
}

} // namespace kt::rtf::detail

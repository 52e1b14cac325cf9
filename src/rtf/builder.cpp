#include "builder.h"

#include "format_keys.h"

// The paragraphs are inserted straight into the document's piece table.
#include <QtGui/private/qtextcursor_p.h>
#include <QtGui/private/qtextdocument_p.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <array>
#include <limits>

namespace kt::rtf::detail {

namespace {

// Far beyond any real table; keeps a hostile file from asking for millions of cells at once.
constexpr int kMaxColumns = 63;
constexpr size_t kMaxMerges = 10000;

// The piece table moves every cursor of the document after each insertion, walking its set of
// cursors, whose table has 128 places however few it holds: that walk cost more than the
// insertion itself. A paragraph's insertions hold it back and move the cursors once; the set
// has no public access, which an explicit instantiation may name.
using CursorSet = QSet<QTextCursorPrivate*>;
template <CursorSet QTextDocumentPrivate::*Member> struct CursorsOf {
    friend CursorSet& cursorsOf(QTextDocumentPrivate& d) { return d.*Member; }
};
template struct CursorsOf<&QTextDocumentPrivate::cursors>;
CursorSet& cursorsOf(QTextDocumentPrivate& d);

} // namespace

DocumentBuilder::DocumentBuilder(QTextDocument& document)
    : m_cursor(&document), m_piece(QTextDocumentPrivate::get(&document)) {
    // One edit block: views and layouts hear of the new content once, not per run.
    m_cursor.beginEditBlock();
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
    if (m_spans.empty() || m_spans.back().formatId != formatId) {
        m_lastRunFormat = formatIndex(format, formatId);
        m_spans.push_back({0, m_lastRunFormat, formatId});
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
    m_spans.push_back({1, formatIndex(format, -1), -1});
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
    for (const Span& span : m_spans) {
        m_cursor.insertText(m_paragraphText.mid(at, span.length),
                            formats->charFormat(span.formatIndex));
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
        // The end is counted here: the piece table finds its length by a walk down its tree.
        int at = end + 1;
        for (const Span& span : m_spans) {
            m_piece->insert(
                at, QString::fromRawData(m_paragraphText.constData() + (at - end - 1), span.length),
                span.formatIndex);
            at += static_cast<int>(span.length);
        }
        m_piece->blockCursorAdjustment = held;
        // Everything went in at the end: one move of the whole length is what each insertion's
        // own move would have added up to.
        if (!held)
            for (QTextCursorPrivate* cursor : cursorsOf(*m_piece))
                if (cursor->adjustPosition(end, at - end, QTextUndoCommand::MoveCursor) ==
                    QTextCursorPrivate::CursorMoved)
                    cursor->changed = true;
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

namespace {

// Cell edges this close together are one column boundary: producers round widths differently
// from row to row.
constexpr int kEdgeTolerance = 4;

bool increasing(const std::vector<int>& edges) {
    for (size_t i = 0; i < edges.size(); ++i)
        if (edges[i] < -31680 || edges[i] > 31680 || (i > 0 && edges[i] <= edges[i - 1]))
            return false;
    return !edges.empty();
}

// The grid column whose boundary is the edge.
int gridIndex(const std::vector<int>& grid, int edge) {
    return static_cast<int>(std::lower_bound(grid.begin(), grid.end(), edge - kEdgeTolerance) -
                            grid.begin());
}

} // namespace

std::vector<int> DocumentBuilder::columnGrid(const std::vector<Row>& rows) {
    // Word processors merge cells across columns by giving a row fewer, wider cells: the
    // table's columns are the union of every row's cell edges.
    std::vector<int> all;
    for (const Row& row : rows)
        if (increasing(row.edges))
            all.insert(all.end(), row.edges.begin(), row.edges.end());
    std::sort(all.begin(), all.end());
    std::vector<int> grid;
    for (int edge : all)
        if (grid.empty() || edge - grid.back() > kEdgeTolerance)
            grid.push_back(edge);
    if (grid.size() > static_cast<size_t>(kMaxColumns))
        grid.clear();
    return grid;
}

std::vector<std::vector<DocumentBuilder::Placement>>
DocumentBuilder::place(const std::vector<Row>& rows, const std::vector<int>& grid, int& columns) {
    std::vector<std::vector<Placement>> placements(rows.size());
    columns = std::max(1, static_cast<int>(grid.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        std::vector<Placement>& out = placements[r];
        const size_t cells = std::min(row.cells.size(), static_cast<size_t>(kMaxColumns));
        bool gridded = !grid.empty() && increasing(row.edges) && row.edges.size() >= cells;
        int start = 0;
        for (size_t c = 0; gridded && c < cells; ++c) {
            const int end = gridIndex(grid, row.edges[c]);
            if (end < start) {
                gridded = false;
                break;
            }
            out.push_back({start, end - start + 1, 0});
            start = end + 1;
        }
        // A row narrower than the table's widest ends in a cell that reaches the table's right
        // edge, as a word processor shows it: no empty cells are added after it.
        const int gridColumns = static_cast<int>(grid.size());
        if (gridded && !out.empty() && out.back().column + out.back().span < gridColumns)
            out.back().span = gridColumns - out.back().column;
        if (!gridded) {
            // Cells without usable edges take one column each, as written.
            out.clear();
            for (size_t c = 0; c < cells; ++c)
                out.push_back({static_cast<int>(c), 1, 0});
            columns = std::max(columns, static_cast<int>(cells));
        }
        for (const auto& [cell, flags] : row.merges)
            if (cell >= 0 && static_cast<size_t>(cell) < out.size())
                out[static_cast<size_t>(cell)].flags = flags;
    }
    columns = std::min(columns, kMaxColumns);
    return placements;
}

void DocumentBuilder::closeTable() {
    flushRun();
    m_inTable = false;
    std::vector<Row> rows;
    rows.swap(m_rows);
    // A row with nothing in it (a \row after the last cell mark) is not a row of the table.
    while (!rows.empty() && rows.back().cells.empty())
        rows.pop_back();
    if (rows.empty())
        rows.emplace_back();
    const std::vector<int> grid = columnGrid(rows);
    int columns = 1;
    std::vector<std::vector<Placement>> placements = place(rows, grid, columns);

    QTextTableFormat format;
    format.setBorder(1);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    // Column widths from the cell edges, when they cover every column.
    if (static_cast<int>(grid.size()) == columns) {
        QList<QTextLength> widths;
        int left = 0;
        for (int edge : grid) {
            if (edge <= left || edge > 31680) {
                widths.clear();
                break;
            }
            widths << QTextLength(QTextLength::FixedLength, (edge - left) / 20.0);
            left = edge;
        }
        format.setColumnWidthConstraints(widths);
    }
    // The table goes after the current block; a block left empty at the very start stays in
    // front of it (a table can never be the first thing in a document).
    QTextTable* table = m_cursor.insertTable(static_cast<int>(rows.size()), columns, format);
    const bool pageBreak = m_pageBreakNext;
    m_pageBreakNext = false;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < placements[r].size(); ++c) {
            const int column = placements[r][c].column;
            if (column >= columns)
                continue;
            m_cursor = table->cellAt(static_cast<int>(r), column).firstCursorPosition();
            const std::vector<Paragraph>& paragraphs = rows[r].cells[c].paragraphs;
            for (size_t i = 0; i < paragraphs.size(); ++i) {
                const Paragraph& p = paragraphs[i];
                if (i > 0)
                    m_cursor.insertBlock(QTextBlockFormat(), p.mark);
                for (const Run& run : p.runs) {
                    if (run.formatId < 0)
                        m_cursor.insertImage(run.format.toImageFormat());
                    else
                        m_cursor.insertText(run.text, run.format);
                }
                if (p.ended)
                    applyThroughCursor(p.props, p.mark);
            }
        }
    }
    mergeCells(table, std::move(placements));
    if (pageBreak)
        m_pageBreakNext = true;
    m_cursor.setPosition(table->lastPosition() + 1);
    m_rowEnded = m_cellEnded = false;
    m_pendingBlock = false;
    // The row definition belonged to this table.
    m_rowCells = 0;
    m_rowMerges.clear();
    m_rowEdges.clear();
}

namespace {

// Not the object a format belongs to, nor a frame's, table's or cell's own properties.
bool isCharacterProperty(int id) {
    return id != QTextFormat::ObjectIndex && id != QTextFormat::ObjectType &&
           !(id >= QTextFormat::FrameBorder && id <= QTextFormat::TableCellRightBorderBrush);
}

} // namespace

bool DocumentBuilder::merge(QTextTable* table, int row, int column, int rows, int columns) {
    // Only cells that are empty and not merged already are merged: text in a covered cell is
    // never folded away, and overlapping merges are left as plain cells.
    for (int r = row; r < row + rows; ++r)
        for (int c = column; c < column + columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c || cell.rowSpan() != 1 ||
                cell.columnSpan() != 1)
                return false;
            if ((r != row || c != column) && cell.firstPosition() != cell.lastPosition())
                return false;
        }
    // Merging folds a covered cell's empty paragraph into the block before it, which then takes
    // the covered paragraph's format; give it that block's own format first so nothing changes.
    for (int r = row; r < row + rows; ++r)
        for (int c = column; c < column + columns; ++c) {
            if (r == row && c == column)
                continue;
            QTextCursor k = table->cellAt(r, c).firstCursorPosition();
            const QTextBlock previous = k.block().previous();
            if (previous.isValid()) {
                k.setBlockFormat(previous.blockFormat());
                // A cell's first block carries the cell itself in its character format (its
                // table, its spans): only the character properties are taken over, or the
                // covered cell would take the spans of the cell before it and hide the text of
                // its neighbours.
                QTextCharFormat chars = k.blockCharFormat();
                const auto properties = previous.charFormat().properties();
                for (auto it = properties.cbegin(); it != properties.cend(); ++it)
                    if (isCharacterProperty(it.key()))
                        chars.setProperty(it.key(), it.value());
                k.setBlockCharFormat(chars);
            }
        }
    table->mergeCells(row, column, rows, columns);
    return true;
}

void DocumentBuilder::mergeCells(QTextTable* table,
                                 std::vector<std::vector<Placement>> placements) {
    // First the merge marks across columns: a \clmgf cell takes in the \clmrg cells after it.
    std::vector<std::vector<Placement>> own = placements; // each cell's own grid span
    for (std::vector<Placement>& row : placements) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (!(row[c].flags & MergeFirst))
                continue;
            size_t next = c + 1;
            while (next < row.size() && (row[next].flags & MergeNext)) {
                row[c].span = row[next].column + row[next].span - row[c].column;
                row[next].span = 0; // taken in
                ++next;
            }
        }
    }
    // Then down the rows: a \clvmgf cell takes in the \clvmrg cells below that start in its
    // column, so a cell merged both ways becomes one rectangle.
    const int rowCount = static_cast<int>(placements.size());
    std::vector<std::array<int, 4>> merges; // row, column, rows, columns
    for (int r = 0; r < rowCount; ++r) {
        for (size_t c = 0; c < placements[static_cast<size_t>(r)].size(); ++c) {
            Placement& p = placements[static_cast<size_t>(r)][c];
            if (p.span <= 0)
                continue;
            int rows = 1;
            if (p.flags & MergeVFirst) {
                for (int below = r + 1; below < rowCount; ++below) {
                    auto& next = placements[static_cast<size_t>(below)];
                    auto it = std::find_if(next.begin(), next.end(), [&](const Placement& q) {
                        return q.column == p.column && q.span > 0;
                    });
                    if (it == next.end() || !(it->flags & MergeVNext))
                        break;
                    it->span = 0;
                    ++rows;
                }
            }
            if (rows > 1 || p.span > 1)
                merges.push_back({r, p.column, rows, p.span});
        }
    }
    if (merges.size() > kMaxMerges)
        merges.resize(kMaxMerges);
    const int columns = table->columns();
    for (const auto& m : merges) {
        const int span = std::min(m[3], columns - m[1]);
        if (span < 1 || merge(table, m[0], m[1], m[2], span))
            continue;
        // A merge over text is refused; the cells it would have taken in keep their own widths.
        for (int r = m[0]; r < m[0] + m[2]; ++r)
            for (const Placement& p : own[static_cast<size_t>(r)])
                if (p.column >= m[1] && p.column < m[1] + span && p.span > 1)
                    merge(table, r, p.column, 1, std::min(p.span, columns - p.column));
    }
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
    m_cursor.endEditBlock();
}

} // namespace kt::rtf::detail

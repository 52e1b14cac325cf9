// Tables: a table is collected whole and inserted once it ends, its columns the union of every
// row's cell edges, merge marks across and down combined into merged cells.
#include "builder.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <array>

namespace kt::rtf::detail {

namespace {

// Far beyond any real table; keeps a hostile file from asking for millions of merges at once.
constexpr size_t kMaxMerges = 10000;

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

} // namespace kt::rtf::detail

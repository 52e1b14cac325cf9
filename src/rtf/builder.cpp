#include "builder.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <array>

namespace kt::rtf::detail {

namespace {

// Far beyond any real table; keeps a hostile file from asking for millions of cells at once.
constexpr int kMaxColumns = 63;
constexpr size_t kMaxMerges = 10000;

} // namespace

DocumentBuilder::DocumentBuilder(QTextDocument& document) : cursor_(&document) {
    // One edit block: views and layouts hear of the new content once, not per run.
    cursor_.beginEditBlock();
}

DocumentBuilder::Cell& DocumentBuilder::currentCell() {
    if (rows_.empty())
        rows_.emplace_back();
    Row& row = rows_.back();
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

void DocumentBuilder::flushRun() {
    if (run_.isEmpty())
        return;
    if (inTable_) {
        std::vector<Run>& runs = tableParagraph().runs;
        if (!runs.empty() && runs.back().formatId == runFormatId_)
            runs.back().text += run_;
        else
            runs.push_back(Run{run_, runFormat_, runFormatId_});
    } else {
        cursor_.insertText(run_, runFormat_);
        blockTouched_ = true;
    }
    run_.resize(0); // keeps the buffer for the next run
}

void DocumentBuilder::open(bool inTable) {
    if (inTable && !inTable_) {
        flushRun();
        inTable_ = true;
        rows_.clear();
        rows_.emplace_back();
        rows_.back().merges = rowMerges_;
        tableEdges_ = rowEdges_;
        rowEnded_ = cellEnded_ = false;
        pendingBlock_ = false;
    } else if (!inTable && inTable_) {
        closeTable();
    } else if (inTable_ && (rowEnded_ || cellEnded_)) {
        flushRun();
        if (rowEnded_) {
            rows_.emplace_back();
            rows_.back().merges = rowMerges_;
        } else if (rows_.back().cells.size() < static_cast<size_t>(kMaxColumns)) {
            rows_.back().cells.emplace_back();
        } else {
            currentCell().paragraphs.emplace_back();
        }
        rowEnded_ = cellEnded_ = false;
        pendingBlock_ = false;
    }
    if (pendingBlock_) {
        flushRun();
        if (inTable_) {
            currentCell().paragraphs.emplace_back();
        } else {
            cursor_.insertBlock(QTextBlockFormat(), runFormat_);
            blockTouched_ = false;
        }
        pendingBlock_ = false;
    }
}

void DocumentBuilder::text(QStringView text, const QTextCharFormat& format, int formatId,
                           bool inTable) {
    if (text.isEmpty())
        return;
    open(inTable);
    if (!run_.isEmpty() && formatId != runFormatId_)
        flushRun();
    if (run_.isEmpty()) {
        runFormat_ = format;
        runFormatId_ = formatId;
    }
    run_ += text;
}

void DocumentBuilder::image(const QTextImageFormat& format, bool inTable) {
    open(inTable);
    flushRun();
    if (inTable_) {
        tableParagraph().runs.push_back(
            Run{QString(QChar::ObjectReplacementCharacter), format, -1});
    } else {
        cursor_.insertImage(format);
        blockTouched_ = true;
    }
}

void DocumentBuilder::applyParagraph(const ParagraphProps& props,
                                     const QTextCharFormat& markFormat) {
    flushRun();
    if (inTable_) {
        Paragraph& p = tableParagraph();
        p.props = props;
        p.mark = markFormat;
        p.ended = true;
        return;
    }
    QTextBlockFormat block = props.block;
    if (pageBreakNext_) {
        block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        pageBreakNext_ = false;
    }
    cursor_.setBlockFormat(block);
    cursor_.setBlockCharFormat(markFormat);
    if (props.listKey != 0) {
        const auto key = std::make_pair(props.listKey, props.listLevel);
        auto it = lists_.find(key);
        if (it != lists_.end() && it->second) {
            it->second->add(cursor_.block());
        } else {
            QTextListFormat format;
            format.setStyle(props.listStyle);
            format.setIndent(props.listLevel + 1);
            lists_[key] = cursor_.createList(format);
        }
    }
}

void DocumentBuilder::endParagraph(const ParagraphProps& props, const QTextCharFormat& markFormat,
                                   bool soft) {
    if (soft && pendingBlock_)
        return;
    open(props.inTable);
    applyParagraph(props, markFormat);
    pendingBlock_ = true;
}

void DocumentBuilder::setRowDefinition(int cells, std::vector<std::pair<int, int>> merges,
                                       std::vector<int> rightEdges) {
    rowCells_ = std::clamp(cells, 0, kMaxColumns);
    rowMerges_ = std::move(merges);
    rowEdges_ = std::move(rightEdges);
    // A row definition written after its cells (as some producers do) belongs to that row.
    if (inTable_ && !rowEnded_ && !rows_.empty())
        rows_.back().merges = rowMerges_;
}

void DocumentBuilder::endCell(const ParagraphProps& props, const QTextCharFormat& markFormat) {
    open(true);
    applyParagraph(props, markFormat);
    cellEnded_ = true;
}

void DocumentBuilder::endRow() {
    if (!inTable_)
        return;
    flushRun();
    rowEnded_ = true;
    cellEnded_ = false;
}

void DocumentBuilder::closeTable() {
    flushRun();
    inTable_ = false;
    std::vector<Row> rows;
    rows.swap(rows_);
    std::vector<std::vector<std::pair<int, int>>> marks;
    // A row with nothing in it (a \row after the last cell mark) is not a row of the table.
    while (!rows.empty() && rows.back().cells.empty())
        rows.pop_back();
    int columns = 1;
    for (const Row& row : rows)
        columns = std::max(columns, static_cast<int>(row.cells.size()));
    columns = std::min(columns, kMaxColumns);
    if (rows.empty())
        rows.emplace_back();
    for (const Row& row : rows)
        marks.push_back(row.merges);

    QTextTableFormat format;
    format.setBorder(1);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    // Column widths from the first row's cell edges, when they cover every column.
    if (static_cast<int>(tableEdges_.size()) == columns) {
        QList<QTextLength> widths;
        int left = 0;
        for (int edge : tableEdges_) {
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
    QTextTable* table = cursor_.insertTable(static_cast<int>(rows.size()), columns, format);
    const bool pageBreak = pageBreakNext_;
    pageBreakNext_ = false;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].cells.size() && c < static_cast<size_t>(columns); ++c) {
            cursor_ = table->cellAt(static_cast<int>(r), static_cast<int>(c)).firstCursorPosition();
            const std::vector<Paragraph>& paragraphs = rows[r].cells[c].paragraphs;
            for (size_t i = 0; i < paragraphs.size(); ++i) {
                const Paragraph& p = paragraphs[i];
                if (i > 0)
                    cursor_.insertBlock(QTextBlockFormat(), p.mark);
                for (const Run& run : p.runs) {
                    if (run.formatId < 0)
                        cursor_.insertImage(run.format.toImageFormat());
                    else
                        cursor_.insertText(run.text, run.format);
                }
                if (p.ended)
                    applyParagraph(p.props, p.mark);
            }
        }
    }
    mergeCells(table, columns, marks);
    if (pageBreak)
        pageBreakNext_ = true;
    cursor_.setPosition(table->lastPosition() + 1);
    rowEnded_ = cellEnded_ = false;
    pendingBlock_ = false;
    blockTouched_ = false;
    // The row definition belonged to this table.
    rowCells_ = 0;
    rowMerges_.clear();
    rowEdges_.clear();
}

namespace {

// Not the object a format belongs to, nor a frame's, table's or cell's own properties.
bool isCharacterProperty(int id) {
    return id != QTextFormat::ObjectIndex && id != QTextFormat::ObjectType &&
           !(id >= QTextFormat::FrameBorder && id <= QTextFormat::TableCellRightBorderBrush);
}

} // namespace

void DocumentBuilder::merge(QTextTable* table, int row, int column, int rows, int columns) {
    // Only cells that are empty and not merged already are merged: text in a covered cell is
    // never folded away, and overlapping merges are left as plain cells.
    for (int r = row; r < row + rows; ++r)
        for (int c = column; c < column + columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c || cell.rowSpan() != 1 ||
                cell.columnSpan() != 1)
                return;
            if ((r != row || c != column) && cell.firstPosition() != cell.lastPosition())
                return;
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
}

void DocumentBuilder::mergeCells(QTextTable* table, int columns,
                                 const std::vector<std::vector<std::pair<int, int>>>& marks) {
    // Merge marks per row: (cell, flags). Collected first, applied after, in one linear pass
    // per direction.
    const int rowCount = table->rows();
    std::vector<std::vector<int>> flags(static_cast<size_t>(rowCount),
                                        std::vector<int>(static_cast<size_t>(columns), 0));
    bool any = false;
    for (int r = 0; r < rowCount && r < static_cast<int>(marks.size()); ++r)
        for (const auto& mark : marks[static_cast<size_t>(r)])
            if (mark.first >= 0 && mark.first < columns) {
                flags[static_cast<size_t>(r)][static_cast<size_t>(mark.first)] = mark.second;
                any = true;
            }
    if (!any)
        return;
    std::vector<std::array<int, 4>> merges; // row, column, rows, columns
    for (int r = 0; r < rowCount; ++r) {
        const auto& f = flags[static_cast<size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            if (!(f[static_cast<size_t>(c)] & MergeFirst))
                continue;
            int span = 1;
            while (c + span < columns && (f[static_cast<size_t>(c + span)] & MergeNext))
                ++span;
            if (span > 1)
                merges.push_back({r, c, 1, span});
        }
    }
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rowCount; ++r) {
            if (!(flags[static_cast<size_t>(r)][static_cast<size_t>(c)] & MergeVFirst))
                continue;
            int span = 1;
            while (r + span < rowCount &&
                   (flags[static_cast<size_t>(r + span)][static_cast<size_t>(c)] & MergeVNext))
                ++span;
            if (span > 1)
                merges.push_back({r, c, span, 1});
            r += span - 1;
        }
    }
    if (merges.size() > kMaxMerges)
        merges.resize(kMaxMerges);
    for (const auto& m : merges)
        merge(table, m[0], m[1], m[2], m[3]);
}

void DocumentBuilder::finish(const ParagraphProps& props, const QTextCharFormat& markFormat) {
    if (inTable_) {
        if (!run_.isEmpty())
            applyParagraph(props, markFormat);
        closeTable();
    } else {
        if (!pendingBlock_ && (blockTouched_ || !run_.isEmpty()))
            applyParagraph(props, markFormat);
        flushRun();
    }
    cursor_.endEditBlock();
}

} // namespace kt::rtf::detail

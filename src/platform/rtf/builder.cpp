#include "builder.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>

namespace kt::rtf::detail {

DocumentBuilder::DocumentBuilder(QTextDocument& document) : cursor_(&document) {
    // One edit block: views and layouts hear of the new content once, not per run.
    cursor_.beginEditBlock();
}

void DocumentBuilder::flushRun() {
    if (run_.isEmpty())
        return;
    cursor_.insertText(run_, runFormat_);
    run_.clear();
    blockTouched_ = true;
}

void DocumentBuilder::open(bool inTable) {
    if (inTable && !table_) {
        startTable();
    } else if (!inTable && table_) {
        closeTable();
    } else if (table_ && (rowEnded_ || cellEnded_)) {
        flushRun();
        if (rowEnded_) {
            table_->appendRows(1);
            ++row_;
            column_ = 0;
            if (rowCells_ > table_->columns())
                table_->appendColumns(rowCells_ - table_->columns());
        } else {
            ++column_;
            if (column_ >= table_->columns())
                table_->appendColumns(1);
        }
        rowEnded_ = cellEnded_ = false;
        cursor_ = table_->cellAt(row_, column_).firstCursorPosition();
        pendingBlock_ = false;
        blockTouched_ = false;
    }
    if (pendingBlock_) {
        flushRun();
        cursor_.insertBlock(QTextBlockFormat(), runFormat_);
        pendingBlock_ = false;
        blockTouched_ = false;
    }
}

void DocumentBuilder::startTable() {
    flushRun();
    // The table goes after the current block; a block left empty at the very start stays in
    // front of it (a table can never be the first thing in a document).
    QTextTableFormat format;
    format.setBorder(1);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    table_ = cursor_.insertTable(1, std::max(1, rowCells_), format);
    row_ = column_ = 0;
    rowEnded_ = cellEnded_ = false;
    merges_.clear();
    cursor_ = table_->cellAt(0, 0).firstCursorPosition();
    pendingBlock_ = false;
    blockTouched_ = false;
}

void DocumentBuilder::merge(int row, int column, int rows, int columns) {
    // Merging folds a covered cell's empty paragraph into the block before it, which then takes
    // the covered paragraph's format; give it that block's own format first so nothing changes.
    for (int r = row; r < row + rows; ++r)
        for (int c = column; c < column + columns; ++c) {
            if (r == row && c == column)
                continue;
            const QTextTableCell covered = table_->cellAt(r, c);
            if (covered.row() != r || covered.column() != c ||
                covered.firstPosition() != covered.lastPosition())
                continue;
            QTextCursor k = covered.firstCursorPosition();
            const QTextBlock previous = k.block().previous();
            if (previous.isValid()) {
                k.setBlockFormat(previous.blockFormat());
                k.setBlockCharFormat(previous.charFormat());
            }
        }
    table_->mergeCells(row, column, rows, columns);
}

void DocumentBuilder::closeTable() {
    flushRun();
    if (!rowEnded_)
        recordRowMerges();
    {
        // Horizontal: a first cell and the following cells marked as merged into it.
        for (size_t r = 0; r < merges_.size(); ++r) {
            const auto& marks = merges_[r];
            for (size_t i = 0; i < marks.size(); ++i) {
                const int cell = marks[i].first;
                const int flags = marks[i].second;
                if (flags & MergeFirst) {
                    int span = 1;
                    for (size_t j = i + 1; j < marks.size() && (marks[j].second & MergeNext) &&
                                           marks[j].first == cell + span;
                         ++j)
                        ++span;
                    if (span > 1 && cell + span <= table_->columns() &&
                        static_cast<int>(r) < table_->rows())
                        merge(static_cast<int>(r), cell, 1, span);
                }
                if (flags & MergeVFirst) {
                    int span = 1;
                    for (size_t rr = r + 1; rr < merges_.size(); ++rr) {
                        const auto& below = merges_[rr];
                        const bool next =
                            std::any_of(below.begin(), below.end(), [&](const auto& m) {
                                return m.first == cell && (m.second & MergeVNext);
                            });
                        if (!next)
                            break;
                        ++span;
                    }
                    if (span > 1 && static_cast<int>(r) + span <= table_->rows() &&
                        cell < table_->columns())
                        merge(static_cast<int>(r), cell, span, 1);
                }
            }
        }
    }
    cursor_.setPosition(table_->lastPosition() + 1);
    table_ = nullptr;
    merges_.clear();
    rowMerges_.clear();
    rowEnded_ = cellEnded_ = false;
    pendingBlock_ = false;
    blockTouched_ = false;
}

void DocumentBuilder::recordRowMerges() {
    if (rowMerges_.empty() && merges_.empty())
        return;
    merges_.resize(static_cast<size_t>(row_) + 1);
    merges_[static_cast<size_t>(row_)] = rowMerges_;
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
    cursor_.insertImage(format);
    blockTouched_ = true;
}

void DocumentBuilder::applyParagraph(const ParagraphProps& props,
                                     const QTextCharFormat& markFormat) {
    flushRun();
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

void DocumentBuilder::setRowDefinition(int cells, std::vector<std::pair<int, int>> merges) {
    rowCells_ = std::clamp(cells, 0, 63);
    rowMerges_ = std::move(merges);
}

void DocumentBuilder::endCell(const ParagraphProps& props, const QTextCharFormat& markFormat) {
    open(true);
    applyParagraph(props, markFormat);
    cellEnded_ = true;
}

void DocumentBuilder::endRow() {
    if (!table_)
        return;
    flushRun();
    if (!rowEnded_)
        recordRowMerges();
    rowEnded_ = true;
    cellEnded_ = false;
}

void DocumentBuilder::finish(const ParagraphProps& props, const QTextCharFormat& markFormat) {
    if (table_) {
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

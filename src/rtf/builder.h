#pragma once

#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QTextListFormat>

#include "piece_table.h"

#include <map>
#include <utility>
#include <vector>

class QTextDocument;
class QTextDocumentPrivate;
class QTextList;
class QTextTable;

namespace kt::rtf::detail {

// What a paragraph is: the properties in effect when it ends.
struct ParagraphProps {
    QTextBlockFormat block;
    bool inTable = false;
    // List membership: a key naming the list and its level (0-based). The key is the list's
    // \ls number (positive), oldListKey of an old-style list's style (negative) or 0 for none.
    int listKey = 0;
    int listLevel = 0;
    QTextListFormat::Style listStyle = QTextListFormat::ListDisc;
};

// Old-style numbering (\pn) names no list: each list style is one list of its own.
constexpr int oldListKey(QTextListFormat::Style style) {
    return -100 + static_cast<int>(style);
}

// Merge flags of a cell definition.
enum MergeFlag { MergeFirst = 1, MergeNext = 2, MergeVFirst = 4, MergeVNext = 8 };

// Turns the reader's stream of runs, paragraph ends and table marks into a QTextDocument.
// A paragraph is collected whole and inserted once it ends, its block with its final block and
// character formats and then its runs, straight into the document's piece table: made through
// the cursor, each block was given its formats after its text (two more walks of the document's
// trees), and each run cost a copy and a lookup of its format. A paragraph end only marks that
// the next content needs a new block, so a trailing paragraph mark adds no empty block. A table
// is collected whole and inserted once it ends: growing a QTextTable row by row costs time
// proportional to its size for every row.
class DocumentBuilder {
public:
    explicit DocumentBuilder(QTextDocument& document);
    // Room for the text of a file of this many bytes, which holds no more characters than that.
    void reserveText(qsizetype bytes);

    // formatId names the format: equal ids are equal formats.
    void text(QStringView text, const QTextCharFormat& format, int formatId, bool inTable);
    void image(const QTextImageFormat& format, bool inTable);
    // \par and friends. soft: a \page or \sect that ends a paragraph only if one is open.
    void endParagraph(const ParagraphProps& props, const QTextCharFormat& markFormat,
                      bool soft = false);
    void pageBreakBefore() { m_pageBreakNext = true; }

    // Table marks: the row definition (cell count, merge marks as (cell, flags), right cell
    // edges in twips), the end of a cell and of a row.
    void setRowDefinition(int cells, std::vector<std::pair<int, int>> merges,
                          std::vector<int> rightEdges);
    void endCell(const ParagraphProps& props, const QTextCharFormat& markFormat);
    void endRow();

    void finish(const ParagraphProps& props, const QTextCharFormat& markFormat);

private:
    struct Run {
        QString text;
        QTextCharFormat format;
        int formatId = -1; // -1: an image
    };
    struct Paragraph {
        std::vector<Run> runs;
        ParagraphProps props;
        QTextCharFormat mark;
        bool ended = false;
    };
    struct Cell {
        std::vector<Paragraph> paragraphs;
    };
    struct Row {
        std::vector<Cell> cells;
        std::vector<std::pair<int, int>> merges;
        std::vector<int> edges;
    };
    // Far beyond any real table; keeps a hostile file from asking for millions of cells at once.
    static constexpr int kMaxColumns = 63;

    // Where a cell sits in the table's column grid.
    struct Placement {
        int column = 0;
        int span = 1;
        int flags = 0;
    };

    void open(bool inTable);
    void flushRun();
    int formatIndex(const QTextCharFormat& format, int formatId);
    // Inserts the paragraph collected outside tables; ended: with the formats its end gave.
    void insertParagraph(const ParagraphProps* props, const QTextCharFormat* markFormat);
    void insertThroughCursor(const ParagraphProps* props, const QTextCharFormat* markFormat);
    void closeTable();
    static std::vector<int> columnGrid(const std::vector<Row>& rows);
    static std::vector<std::vector<Placement>> place(const std::vector<Row>& rows,
                                                     const std::vector<int>& grid, int& columns);
    void mergeCells(QTextTable* table, std::vector<std::vector<Placement>> placements);
    bool merge(QTextTable* table, int row, int column, int rows, int columns);
    void applyParagraph(const ParagraphProps& props, const QTextCharFormat& markFormat);
    void applyThroughCursor(const ParagraphProps& props, const QTextCharFormat& markFormat);
    QTextBlockFormat blockFormat(const ParagraphProps& props); // takes a pending page break
    QTextList*& listOf(const ParagraphProps& props);
    static QTextListFormat listFormat(const ParagraphProps& props);
    Paragraph& tableParagraph();
    Cell& currentCell();

    QTextCursor m_cursor;
    QTextDocumentPrivate* m_piece;
    std::vector<int> m_formatIndices; // by format id, -1 not yet known
    // The paragraph being collected outside tables: its text and runs, whether its block is
    // still to be made (else it is the document's last block, which exists already) and the
    // character format that block is made with: the last run's before it (-1: none yet).
    // Its runs: their lengths in that text and their formats' indices in the document's format
    // collection; the reader's id of the last run's format (-1: an image).
    QString m_paragraphText;
    std::vector<PieceRun> m_spans;
    int m_spanFormatId = -1;
    bool m_newBlock = false;
    int m_newBlockFormat = -1;
    int m_lastRunFormat = -1;
    // The run being collected in a table cell.
    QString m_run;
    QTextCharFormat m_runFormat;
    int m_runFormatId = -1;
    bool m_pendingBlock = false;
    bool m_pageBreakNext = false;

    // The table being collected.
    bool m_inTable = false;
    std::vector<Row> m_rows;
    bool m_cellEnded = false;
    bool m_rowEnded = false;
    int m_rowCells = 0;
    std::vector<std::pair<int, int>> m_rowMerges;
    std::vector<int> m_rowEdges;

    std::map<std::pair<int, int>, QTextList*> m_lists;
};

} // namespace kt::rtf::detail

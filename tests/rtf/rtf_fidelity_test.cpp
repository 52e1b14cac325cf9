// Documents exchanged with word processors: what their files mean reads the same here, and
// what we write means the same to them. The inputs in tests/data/rtf-fidelity were written by
// a word processor.
#include "rtf_test_support.h"

#include "rtf/rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

#include <array>

using namespace rtftest;

namespace {

void readFile(const char* name, QTextDocument& doc) {
    const QByteArray data =
        readBytes(dataDir() + QStringLiteral("/rtf-fidelity/") + QLatin1String(name));
    ASSERT_FALSE(data.isEmpty()) << name;
    ASSERT_TRUE(kt::rtf::read(data, doc));
}

void roundTrip(const QTextDocument& doc, QTextDocument& back) {
    ASSERT_TRUE(kt::rtf::read(kt::rtf::write(doc), back));
}

QTextTable* firstTable(const QTextDocument& doc) {
    for (QTextFrame* f : doc.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(f))
            return t;
    return nullptr;
}

QString cellText(QTextTable* t, int row, int column) {
    const QTextTableCell cell = t->cellAt(row, column);
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
    return c.selectedText();
}

// Where the cell covering (row, column) starts and how far it reaches.
std::array<int, 4> cellShape(QTextTable* t, int row, int column) {
    const QTextTableCell cell = t->cellAt(row, column);
    return {cell.row(), cell.column(), cell.rowSpan(), cell.columnSpan()};
}

TEST(RtfFidelity, ARowOfFewerWiderCellsSpansTheColumnsItCovers) {
    QTextDocument doc;
    readFile("wp-table-wider-cells.rtf", doc);
    for (int cycle = 0; cycle < 2; ++cycle) {
        QTextTable* t = firstTable(doc);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->rows(), 2);
        EXPECT_EQ(t->columns(), 2);
        EXPECT_EQ(cellText(t, 0, 0), QStringLiteral("1952"));
        EXPECT_EQ(cellText(t, 0, 1), QStringLiteral("Krak\u00f3w"));
        EXPECT_EQ(cellShape(t, 1, 1), (std::array{1, 0, 1, 2}));
        EXPECT_EQ(cellText(t, 1, 0), QStringLiteral("We moved in May"));
        const QList<QTextLength> widths = t->format().columnWidthConstraints();
        ASSERT_EQ(widths.size(), 2);
        EXPECT_DOUBLE_EQ(widths[0].rawValue(), 759 / 20.0);
        EXPECT_DOUBLE_EQ(widths[1].rawValue(), (1935 - 759) / 20.0);
        QTextDocument back;
        roundTrip(doc, back);
        doc.setHtml(QString());
        ASSERT_TRUE(kt::rtf::read(kt::rtf::write(back), doc));
    }
}

TEST(RtfFidelity, ACellMergedAcrossRowsAndColumnsStaysOneCell) {
    // As a word processor writes it (one wide cell marked \clvmgf), and as we write it
    // (\clvmgf\clmgf and \clvmrg\clmrg on the cells of the grid).
    QTextDocument doc;
    readFile("wp-table-merged-both-ways.rtf", doc);
    for (int cycle = 0; cycle < 2; ++cycle) {
        QTextTable* t = firstTable(doc);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->rows(), 3);
        EXPECT_EQ(t->columns(), 3);
        EXPECT_EQ(cellShape(t, 1, 1), (std::array{0, 0, 2, 2}));
        EXPECT_EQ(cellText(t, 0, 0), QStringLiteral("Wedding day"));
        EXPECT_EQ(cellText(t, 0, 2), QStringLiteral("June"));
        EXPECT_EQ(cellText(t, 1, 2), QStringLiteral("1961"));
        EXPECT_EQ(cellText(t, 2, 1), QStringLiteral("b"));
        QTextDocument back;
        roundTrip(doc, back);
        doc.setHtml(QString());
        ASSERT_TRUE(kt::rtf::read(kt::rtf::write(back), doc));
    }
}

} // namespace

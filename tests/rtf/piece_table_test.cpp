// The document a file is read into keeps a sound piece table: its trees are red-black trees
// whose counted sizes find every fragment, the runs linked in directly are those the toolkit's
// own insertion makes, and the document edits as any other.
#include "rtf_test_support.h"

#include "rtf/piece_table.h"
#include "rtf/rtf.h"

#include <QtGui/private/qtextdocument_p.h>

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <gtest/gtest.h>

namespace {

// Checks the subtree under n; returns its black height and adds its length to length.
template <class Map>
int checkSubtree(const Map& map, uint n, uint parent, quint64& length, QStringList& faults) {
    if (!n)
        return 1;
    const auto* node = map.fragment(n);
    constexpr quint32 red = 0;
    if (node->parent != parent)
        faults << QStringLiteral("node %1 names the wrong parent").arg(n);
    if (node->color == red && parent && map.fragment(parent)->color == red)
        faults << QStringLiteral("red node %1 under a red one").arg(n);
    quint64 left = 0;
    quint64 right = 0;
    const int leftHeight = checkSubtree(map, node->left, n, left, faults);
    const int rightHeight = checkSubtree(map, node->right, n, right, faults);
    if (node->size_left_array[0] != left)
        faults << QStringLiteral("node %1 counts %2 on its left, holds %3")
                      .arg(n)
                      .arg(node->size_left_array[0])
                      .arg(left);
    if (leftHeight != rightHeight)
        faults << QStringLiteral("node %1 has unequal black heights").arg(n);
    length += left + node->size_array[0] + right;
    return leftHeight + (node->color == red ? 0 : 1);
}

template <class Map> std::string treeFaults(const Map& map) {
    QStringList faults;
    uint root = static_cast<uint>(map.firstNode());
    while (root && map.fragment(root)->parent)
        root = map.fragment(root)->parent;
    quint64 length = 0;
    checkSubtree(map, root, 0, length, faults);
    if (length != static_cast<quint64>(map.length()))
        faults
            << QStringLiteral("the tree holds %1 characters, not %2").arg(length).arg(map.length());
    // Every fragment is found at its own position.
    for (auto it = map.begin(); !it.atEnd(); ++it)
        if (map.findNode(it.position()) != it.n)
            faults << QStringLiteral("position %1 finds another node").arg(it.position());
    return faults.mid(0, 5).join(QStringLiteral("; ")).toStdString();
}

// A fragment's text and format index, in document order.
QList<std::pair<QString, int>> fragments(const QTextDocument& doc) {
    const QTextDocumentPrivate* d = QTextDocumentPrivate::get(&doc);
    QList<std::pair<QString, int>> out;
    for (auto it = d->begin(); !it.atEnd(); ++it)
        out.append({d->buffer().mid(it->stringPosition, it.size()), it->format});
    return out;
}

TEST(RtfPieceTable, RunsLinkedInDirectlyEqualRunsInsertedOneByOne) {
    // The same random runs (neighbours of one format and empty runs among them), linked in
    // directly where the document keeps no history and inserted run by run where it does.
    QTextDocument direct;
    QTextDocument stepwise;
    for (QTextDocument* doc : {&direct, &stepwise}) {
        doc->setUndoRedoEnabled(doc == &stepwise);
        QTextDocumentPrivate* d = QTextDocumentPrivate::get(doc);
        QTextFormatCollection* collection = d->formatCollection();
        std::vector<int> formats;
        for (int size = 8; size < 13; ++size) {
            QTextCharFormat format;
            format.setFontPointSize(size);
            formats.push_back(collection->indexForFormat(format));
        }
        QRandomGenerator random(1947);
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        for (int p = 0; p < 2000; ++p) {
            // Mostly a new paragraph at the end; now and then runs at the start of a paragraph
            // further up.
            int at = d->length() - 1;
            if (p % 7 == 3)
                at = doc->findBlockByNumber(random.bounded(doc->blockCount())).position();
            else
                d->insertBlock(at++, collection->indexForFormat(QTextBlockFormat()), formats[0]);
            QString text;
            std::vector<kt::rtf::detail::PieceRun> runs;
            for (int r = random.bounded(0, 10); r > 0; --r) {
                const qsizetype length = random.bounded(0, 6);
                for (qsizetype i = 0; i < length; ++i)
                    text += QChar(u'a' + random.bounded(26));
                runs.push_back({length, formats[random.bounded(3)]});
            }
            kt::rtf::detail::insertRuns(*d, at, text, runs);
        }
        cursor.endEditBlock();
        EXPECT_EQ(treeFaults(d->fragmentMap()), "");
        EXPECT_EQ(treeFaults(d->blockMap()), "");
    }
    EXPECT_EQ(direct.toRawText(), stepwise.toRawText());
    EXPECT_TRUE(fragments(direct) == fragments(stepwise));
}

void expectSound(const QByteArray& rtf, const QString& name) {
    QTextDocument doc;
    ASSERT_TRUE(kt::rtf::read(rtf, doc)) << name.toStdString();
    const QTextDocumentPrivate* d = QTextDocumentPrivate::get(&doc);
    EXPECT_EQ(treeFaults(d->fragmentMap()), "") << name.toStdString();
    EXPECT_EQ(treeFaults(d->blockMap()), "") << name.toStdString();
    if (!doc.rootFrame()->childFrames().isEmpty())
        return; // a selection across a table's edge takes whole cells

    // Text typed into the middle and a stretch taken out land where the positions say.
    QString expected = doc.toRawText();
    const int middle = doc.characterCount() / 2;
    QTextCursor cursor(&doc);
    cursor.setPosition(middle);
    cursor.insertText(QStringLiteral("\u00A7"));
    expected.insert(middle, QChar(0x00A7));
    const int from = middle / 3;
    cursor.setPosition(from);
    cursor.setPosition(std::min(from + 40, doc.characterCount() - 1), QTextCursor::KeepAnchor);
    expected.remove(from, cursor.position() - from);
    cursor.removeSelectedText();
    EXPECT_EQ(doc.toRawText(), expected) << name.toStdString();
    EXPECT_EQ(treeFaults(d->fragmentMap()), "") << name.toStdString();
}

TEST(RtfPieceTable, SoundAfterReadingEveryTestFileAndALongStory) {
    QDirIterator files(rtftest::dataDir(), {QStringLiteral("*.rtf")}, QDir::Files,
                       QDirIterator::Subdirectories);
    int count = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        QTextDocument probe;
        if (kt::rtf::read(rtftest::readBytes(path), probe)) {
            expectSound(rtftest::readBytes(path), path);
            ++count;
        }
    }
    EXPECT_GT(count, 50);

    // Thousands of paragraphs of many runs, with lists, a line feed and empty paragraphs among
    // them, so that the trees grow deep and turn many times.
    QRandomGenerator random(1947);
    const char* formats[] = {"\\b ", "\\i ", "\\ul ", "\\fs28 ", "\\b\\i ", "", "\\plain "};
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}";
    for (int p = 0; p < 3000; ++p) {
        rtf += p % 97 == 5 ? "\\pard{\\pntext 1.}{\\*\\pn\\pnlvlbody\\pndec}" : "\\pard ";
        for (int r = random.bounded(0, 12); r > 0; --r)
            rtf += QByteArray("{") + formats[random.bounded(7)] + "run " + QByteArray::number(r) +
                   "}" + (r % 2 ? " " : "");
        if (p == 2000)
            rtf += "broken\\u10?line";
        rtf += "\\par\n";
    }
    rtf += "}";
    expectSound(rtf, QStringLiteral("a long story"));
}

} // namespace

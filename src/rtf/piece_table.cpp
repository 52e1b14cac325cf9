// Runs of text inserted straight into a document's piece table.
#include "piece_table.h"

#include <QtGui/private/qtextcursor_p.h>
#include <QtGui/private/qtextdocument_p.h>

namespace kt::rtf::detail {

namespace {

using FragmentTree = QFragmentMapData<QTextFragmentData>;
using BlockTree = QFragmentMapData<QTextBlockData>;

// The piece table keeps these to itself; an explicit instantiation may name them.
template <typename Tag, typename Tag::Type Member> struct Expose {
    friend typename Tag::Type member(Tag) { return Member; }
};
struct Text {
    using Type = QString QTextDocumentPrivate::*;
    friend Type member(Text);
};
struct Cursors {
    using Type = QSet<QTextCursorPrivate*> QTextDocumentPrivate::*;
    friend Type member(Cursors);
};
struct NoteChange {
    using Type = void (QTextDocumentPrivate::*)(int, int, QTextUndoCommand::Operation);
    friend Type member(NoteChange);
};
struct Tree {
    using Type = FragmentTree QFragmentMap<QTextFragmentData>::*;
    friend Type member(Tree);
};
struct Blocks {
    using Type = BlockTree QFragmentMap<QTextBlockData>::*;
    friend Type member(Blocks);
};
struct NewNode {
    using Type = uint (FragmentTree::*)();
    friend Type member(NewNode);
};
struct Rebalance {
    using Type = void (FragmentTree::*)(uint);
    friend Type member(Rebalance);
};
template struct Expose<Text, &QTextDocumentPrivate::text>;
template struct Expose<Cursors, &QTextDocumentPrivate::cursors>;
template struct Expose<NoteChange, &QTextDocumentPrivate::adjustDocumentChangesAndCursors>;
template struct Expose<Tree, &QFragmentMap<QTextFragmentData>::data>;
template struct Expose<Blocks, &QFragmentMap<QTextBlockData>::data>;
template struct Expose<NewNode, &FragmentTree::createFragment>;
template struct Expose<Rebalance, &FragmentTree::rebalance>;

bool isBlockSeparator(QChar c) {
    return c == QChar::ParagraphSeparator || c == QTextBeginningOfFrame || c == QTextEndOfFrame;
}

// Links a new node of the given length into the tree just before node x, as the tree's own
// insertion does once its search from the root has found that place. last: x is the tree's last
// node, so no node above it holds it, or the new node, in its left subtree; the counts are then
// mended up to x only, sparing a walk to the root for every run.
uint linkBefore(FragmentTree& tree, uint x, quint32 length, bool last) {
    const uint z = (tree.*member(NewNode{}))(); // may move every node
    QTextFragmentData& node = tree.F(z);
    node.left = node.right = 0;
    node.size_array[0] = length;
    node.size_left_array[0] = 0;
    uint parent = tree.F(x).left;
    if (!parent) {
        parent = x;
        tree.F(x).left = z;
    } else {
        while (tree.F(parent).right)
            parent = tree.F(parent).right;
        tree.F(parent).right = z;
    }
    tree.F(z).parent = parent;
    // Every node that holds the new one in its left subtree counts its length there.
    for (uint child = z; tree.F(child).parent;) {
        const uint p = tree.F(child).parent;
        if (tree.F(p).left == child)
            tree.F(p).size_left_array[0] += length;
        if (last && p == x)
            break;
        child = p;
    }
    (tree.*member(Rebalance{}))(z);
    return z;
}

} // namespace

void insertRuns(QTextDocumentPrivate& d, int pos, QStringView text,
                std::span<const PieceRun> runs) {
    QString& buffer = d.*member(Text{});
    QTextDocumentPrivate::FragmentMap& fragments = d.fragmentMap();
    BlockTree& blocks = d.blockMap().*member(Blocks{});
    const uint x = fragments.findNode(pos);
    const uint block = blocks.findNode(pos);
    // A block laid out already would have to drop its layout.
    bool direct = !d.isUndoRedoEnabled() && d.isInEditBlock() && x &&
                  fragments.position(x) == static_cast<uint>(pos) && block &&
                  !blocks.fragment(block)->layout;
    if (direct) {
        // A fragment next to a block separator is never merged with it.
        const uint before = fragments.previous(x);
        direct = before && fragments.size(before) == 1 &&
                 isBlockSeparator(buffer.at(fragments.fragment(before)->stringPosition));
    }
    if (!direct) {
        qsizetype at = 0;
        for (const PieceRun& run : runs) {
            d.insert(pos + static_cast<int>(at), QString::fromRawData(text.data() + at, run.length),
                     run.format);
            at += run.length;
        }
        return;
    }
    const qsizetype start = buffer.size();
    buffer.append(text);
    FragmentTree& tree = fragments.*member(Tree{});
    // Turns of the tree keep the order of its nodes: the last stays last.
    const bool last = !fragments.next(x);
    qsizetype at = 0;
    for (size_t i = 0; i < runs.size();) {
        if (runs[i].length == 0) {
            ++i;
            continue;
        }
        // Neighbours of one format are one fragment, as the piece table makes them; an empty
        // run between them leaves no trace.
        const int format = runs[i].format;
        qsizetype length = 0;
        for (; i < runs.size() && (runs[i].format == format || runs[i].length == 0); ++i)
            length += runs[i].length;
        QTextFragmentData* node =
            tree.fragment(linkBefore(tree, x, static_cast<quint32>(length), last));
        node->format = format;
        node->stringPosition = static_cast<int>(start + at);
        at += length;
    }
    if (at == 0)
        return; // as the piece table's own insertion of nothing
    blocks.setSize(block, static_cast<int>(blocks.size(block) + at));
    (d.*member(NoteChange{}))(pos, static_cast<int>(at), QTextUndoCommand::MoveCursor);
}

void reserveText(QTextDocumentPrivate& d, qsizetype characters) {
    QString& buffer = d.*member(Text{});
    buffer.reserve(buffer.size() + characters);
}

void squeezeText(QTextDocumentPrivate& d) {
    (d.*member(Text{})).squeeze();
}

void moveCursorsAfterInsert(QTextDocumentPrivate& d, int pos, int length) {
    for (QTextCursorPrivate* cursor : d.*member(Cursors{}))
        if (cursor->adjustPosition(pos, length, QTextUndoCommand::MoveCursor) ==
            QTextCursorPrivate::CursorMoved)
            cursor->changed = true;
}

} // namespace kt::rtf::detail

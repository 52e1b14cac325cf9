#pragma once

#include <QStringView>

#include <span>

class QTextDocumentPrivate;

namespace kt::rtf::detail {

// A run of text to insert: its length and its index in the document's format collection.
struct PieceRun {
    qsizetype length = 0;
    int format = 0;
};

// Inserts text, cut into runs, at pos: the piece table then holds exactly what inserting each run
// in turn would leave. text holds no block separator, the runs cover it and their formats are
// character formats that name no text object (a frame is told of each fragment of its own).
//
// Where a block separator ends just before pos (as when a paragraph has just been opened at the
// end) and the document keeps no undo history, each run becomes a node linked in just before the
// fragment at pos: one search of the tree for all the runs instead of three walks from its root
// for each, which cost more than everything else in reading a file.
void insertRuns(QTextDocumentPrivate& d, int pos, QStringView text, std::span<const PieceRun> runs);

// Room in the document's text buffer for this many more characters, so that it is not copied
// to a larger one again and again as it fills; squeezeText gives back what was not used.
void reserveText(QTextDocumentPrivate& d, qsizetype characters);
void squeezeText(QTextDocumentPrivate& d);

// The cursors of the document, moved by a caller that held their moves back.
void moveCursorsAfterInsert(QTextDocumentPrivate& d, int pos, int length);

} // namespace kt::rtf::detail

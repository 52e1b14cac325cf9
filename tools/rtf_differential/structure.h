#pragma once

#include <QString>

class QTextDocument;

namespace kt::rtftools {

// What a reader of a document sees of it, one line per paragraph, as text to compare:
//   h2 | word word          a heading and its level
//   li 1. | word            a list item and its number, * for a bullet
//   table 3x2               a table, then each cell that starts at its place:
//   cell 0,0 1x2 | word     row, column, rows and columns it spans, its words
// Each word carries the emphasis of its first letter: [b] bold, [i] italic, [18] its size in
// points when not 12 (outside headings, whose sizes differ from one word processor to the
// next), [#rrggbb] a colour other than black. [img] is a picture. Empty paragraphs are left
// out: word processors add and drop them around tables. Without complexColours the colour of
// right-to-left and other complex-script words is left out (one word processor's RTF drops it
// even from its own documents).
QString structure(const QTextDocument& document, bool complexColours = true);

} // namespace kt::rtftools

#pragma once

#include <QTextFormat>

namespace kt::rtf::detail {

// Private format properties the codec keeps in a document. Nothing shows them and nothing but the
// codec reads them.

// A character format's font name as a plain string, for hashing only: the toolkit hashes a list
// of family names by its type alone.
inline constexpr int kFontNameKey = QTextFormat::UserProperty + 0x4B54;

// On the document's first block: a paragraph mark of the file ended it. Empty and before a table,
// it is the file's own empty paragraph, which is written; the block the toolkit keeps in front of
// a table that opens a document is not.
inline constexpr int kOwnParagraphKey = QTextFormat::UserProperty + 0x4B55;

} // namespace kt::rtf::detail

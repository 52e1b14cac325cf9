#pragma once

#include <QByteArrayView>

class QTextDocument;

namespace kt::rtf::detail {

// Reads RTF (data starts with "{\rtf") into an empty document. Never fails on malformed data:
// whatever could be read is kept.
void readRtf(QByteArrayView data, QTextDocument& document);

// Reads plain text: UTF-8 when valid, else Windows-1252; CR LF, LF and CR all end a line.
void readPlainText(QByteArrayView data, QTextDocument& document);

// True when the data is rich text (optional byte-order mark and white space, then "{\rtf").
bool looksLikeRtf(QByteArrayView data);
// Whether data that is not rich text is text at all. A picture, a program or another program's
// file has NUL bytes or many other control codes near its start; text in UTF-16 (with its
// byte-order mark) is text.
bool looksLikeText(QByteArrayView data);

} // namespace kt::rtf::detail

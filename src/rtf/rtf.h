#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace kt::rtf {

// Reads rich text into the document, replacing its whole content. Data that does not start
// with "{\rtf" is read as plain text (UTF-16 behind its byte-order mark, UTF-8 when valid, else
// Windows-1252). Malformed rich text keeps whatever text could be read. False, with the
// document untouched, only for data that is not text at all (a picture, a program).
bool read(const QByteArray& data, QTextDocument& document, QString* error = nullptr);

// The document as 7-bit RTF.
QByteArray write(const QTextDocument& document);

// File forms of the two. saveFile replaces the target atomically, so a failure never leaves a
// torn file where a good one stood; on failure *error says why.
bool loadFile(const QString& path, QTextDocument& document, QString* error = nullptr);
bool saveFile(const QString& path, const QTextDocument& document, QString* error = nullptr);

// Writes the bytes to path the way saveFile does: atomically, every write checked.
bool saveBytes(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace kt::rtf

#pragma once

#include <QByteArray>

class QTextDocument;

namespace kt::rtf::detail {

// The document as 7-bit RTF: header, font and colour tables, list table, then one paragraph per
// block with one group per run.
QByteArray writeRtf(const QTextDocument& document);

} // namespace kt::rtf::detail

#pragma once

#include <QString>

class QPrinter;
class QTextDocument;

namespace kt::ui {

// Prints the whole document on the printer as the printer dialog left it: a copy is laid out
// in pages with margins of 2 cm and "Page N of M" centred in each footer, so the document
// itself (its layout, its modified state, its undo history) is never touched. A page range
// chosen in the dialog is honoured.
//
// Output to a PDF file goes through a QSaveFile: the file appears only when every byte of it
// is on the disk, and a failed print leaves any older file of that name as it was.
//
// False, with the reason in *error, when the pages could not all be printed.
bool printDocument(const QTextDocument& document, QPrinter& printer, QString* error);

} // namespace kt::ui

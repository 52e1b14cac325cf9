#pragma once

#include "core/book.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <span>

namespace kt::document {

// Told before each page is painted (1-based) with the number of pages; false stops the book.
using BookProgress = std::function<bool(int page, int pages)>;

// The book as a PDF: a title page (title, teller, the first photo, the dedication), the
// contents with the page each chapter starts on, then a chapter per section, each on a new
// page, its answered questions as headings over their answers, photos and captions. Headers
// carry the chapter's name, footers the page number (none on the title page). A heading never
// ends a page, a photo is never split. Empty when `progress` stopped it.
QByteArray makeBookPdf(std::span<const BookChapter> chapters, const BookOptions& options,
                       const BookProgress& progress = {});

// The serif family the book is set in: the first installed of the book faces, else whatever
// the system gives for a serif.
QString bookFontFamily();

} // namespace kt::document

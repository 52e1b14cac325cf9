#pragma once

#include <QString>

class QTextDocument;
class QWidget;

namespace kt::document {

// The file "Print to File (PDF)" offers for a story: the story file's name with ".pdf" beside
// it, or for a story never saved "Life Story.pdf" in the user's documents folder.
QString pdfFileFor(const QString& storyFile);

// File > Print: the printer dialog, then the whole story on the chosen printer or in the
// chosen PDF file. A print that fails is told to the user in one message; a cancel is silent.
// A long story prints under the wait cursor, with `window` drawn again first.
void printStory(const QTextDocument& story, const QString& storyFile, QWidget* window);

} // namespace kt::document

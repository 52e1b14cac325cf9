#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace kt::document {

// How many versions of each story are kept.
inline constexpr int kKeptVersions = 10;

// A story and its answer data file as they were before a save replaced them.
struct EarlierVersion {
    QString story;   // the story's own file, which the save replaced
    QString rtf;     // the kept story; empty when the story file did not exist
    QString answers; // the kept answer data file; empty when it did not exist
    QDateTime saved; // when the kept pair had been saved
    qint64 size = 0; // of the kept story
};

// Where the versions are kept: a folder per story in the program's data folder, each version
// named by the date and time it had been saved.
QString earlierVersionsFolder();

// Keeps the story at storyPath and the answer data file beside it, whichever exist, before a
// save replaces them, and lets go of all but the story's last kKeptVersions. False, with the
// reason in *error, when they could not be kept.
bool keepEarlierVersion(const QString& storyPath, QString* error = nullptr);

// Every kept version of every story, the most recently saved first.
QList<EarlierVersion> earlierVersions();

} // namespace kt::document

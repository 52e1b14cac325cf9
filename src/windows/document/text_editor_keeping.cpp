// The editor's part in keeping the user's work: the story a safety copy brought back, and the
// earlier versions that saves replaced.
#include "windows/document/text_editor_window.h"

#include "ui/dialogs.h"
#include "ui/rich_text_edit.h"
#include "windows/common/unsaved_work.h"
#include "windows/document/earlier_versions.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace kt::document {

using namespace kt::ui;

namespace {

const QString kVersionsTitle = QStringLiteral("Kithtale - Earlier Versions");

} // namespace

bool TextEditorWindow::showRestoredStory() {
    const std::optional<windows::RestoredStory> story = windows::UnsavedWork::current().takeStory();
    if (!story || !m_txtEdit->LoadRichText(story->rtf))
        return false;
    // As it was when the copy was made: unsaved, and saved to its own file by Save.
    if (!story->file.isEmpty()) {
        setCurrentFile(story->file);
        m_dialogFileName = story->file;
    }
    m_documentModified = true;
    return true;
}

void TextEditorWindow::EarlierVersions() {
    if (waitingForSave())
        return;
    const QList<EarlierVersion> versions = earlierVersions();
    if (versions.isEmpty()) {
        messageBox(QStringLiteral("No earlier versions have been kept yet.\n\nEach time you save "
                                  "over a story you saved before, the version it replaces is kept "
                                  "here: the last %1 of each story.")
                       .arg(kKeptVersions),
                   kVersionsTitle, MsgIcon::Information, MsgButton::Ok, MsgButton::Ok);
        return;
    }

    const QLocale locale;
    ChoiceRequest request;
    request.title = kVersionsTitle;
    request.text =
        QStringLiteral(
            "Each time you save over a story, the version it replaces is kept: the last %1 of "
            "each story.  Choose one and press Open to read it as a new document; your story's "
            "file stays as it is.\n\nThe answers saved with each version are kept beside it, "
            "with the same date and time in their name, in the folder\n%2\nTo use them, choose "
            "\"Load Previously Saved Data\" on the main menu and pick that file.")
            .arg(kKeptVersions)
            .arg(QDir::toNativeSeparators(earlierVersionsFolder()));
    request.columns = {QStringLiteral("Story"), QStringLiteral("Saved on"), QStringLiteral("At"),
                       QStringLiteral("Size")};
    for (const EarlierVersion& v : versions)
        request.rows.push_back(
            {QFileInfo(v.story).fileName(), locale.toString(v.saved.date(), QLocale::LongFormat),
             locale.toString(v.saved.time(), QLocale::ShortFormat),
             // "12 kB" rather than "11.72 KiB": the form people know from their file manager.
             v.rtf.isEmpty()
                 ? QStringLiteral("answers only")
                 : locale.formattedDataSize(v.size, 0, QLocale::DataSizeTraditionalFormat)});
    request.acceptText = QStringLiteral("&Open");
    const std::optional<int> chosen = Dialogs::current().choose(request);
    if (!chosen || *chosen < 0 || *chosen >= versions.size())
        return;
    const EarlierVersion& version = versions[*chosen];
    if (version.rtf.isEmpty()) {
        messageBox(QStringLiteral("Only the answers of this version were kept, in this file:\n%1"
                                  "\n\nTo use them, choose \"Load Previously Saved Data\" on the "
                                  "main menu and pick that file.")
                       .arg(QDir::toNativeSeparators(version.answers)),
                   kVersionsTitle, MsgIcon::Information, MsgButton::Ok, MsgButton::Ok);
        return;
    }
    m_chosenVersion = version;
    if (offerToSave(AfterSave::OpenVersion))
        openChosenVersion();
}

void TextEditorWindow::openChosenVersion() {
    const EarlierVersion version = std::exchange(m_chosenVersion, {});
    if (!m_txtEdit->LoadFile(version.rtf))
        return;
    // A new document: Save asks where to put it, offering the story's own name, and never
    // replaces a file unasked.
    setCurrentFile(QString());
    m_dialogFileName = version.story;
    m_documentModified = true;
}

} // namespace kt::document

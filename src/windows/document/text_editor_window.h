#pragma once

#include "ui/program_window.h"
#include "windows/document/earlier_versions.h"
#include "windows/document/text_search.h"

#include <QString>

#include <optional>

class QAction;
class QMenu;
class QMenuBar;

namespace kt {
struct ProgramState;
}
namespace kt::ui {
class RichTextEdit;
}

namespace kt::document {

// ExitMode: "R" while the window closes through Return to Main Menu, "N" otherwise.
enum class ExitMode : char { End = 'N', Return = 'R' };
// ReminderFlag: "O" shows the reminder at the next activation, "N" skips it once.
enum class ReminderFlag : char { Skip = 'N', Show = 'O' };
// PendingSave: which save waits for the save note: none yet, "S" (to the current file) or "A"
// (under a new name).
enum class PendingSave : char { Unset = 0, Save = 'S', SaveAs = 'A' };

// frmTxtEditor: the composed life story, to read, edit, format, search, print and save.
class TextEditorWindow : public ui::ProgramWindow {
    Q_OBJECT
public:
    explicit TextEditorWindow(ProgramState& state);
    ~TextEditorWindow() override;

    void activated() override;

    void SavingData();
    void SavingDataAs();

    // The commands of the menus.
    void Open();
    // Lists the versions of stories that saves replaced, and opens the one chosen as a new
    // document.
    void EarlierVersions();
    void Save();
    void SaveAs();
    void Print();
    // File > Make a Book...: the answers and photos as a book in a PDF.
    void MakeBook();
    void ReturnToMainMenu();
    void Exit();
    void Cut();
    void Copy();
    void Paste();
    // Edit > Insert Picture...: picture files at the cursor.
    void InsertPicture();
    void Find();
    void FindNext();
    void Font();
    void Color();
    // Recomputes Cut, Copy and Paste; runs each time the Edit menu opens.
    void EditMenuOpened();

    ui::RichTextEdit* txtEdit() const { return m_txtEdit; }
    bool documentModified() const { return m_documentModified; }
    bool saveCancelled() const { return m_saveCancelled; }
    ExitMode exitMode() const { return m_exitMode; }
    ReminderFlag reminderFlag() const { return m_reminderFlag; }
    PendingSave pendingSave() const { return m_pendingSave; }
    const QString& currentFile() const { return m_currentFile; }
    const QString& documentPath() const { return m_documentPath; }
    const std::optional<QString>& searchText() const { return m_searchText; }
    // Whether Open or the closing waits for the save that the note leads to.
    bool waitingForSave() const { return m_afterSave != AfterSave::Nothing; }

protected:
    bool closeRequested() override;

private:
    QAction* addItem(QMenu* menu, const char* name, const char* caption, const QKeySequence& key,
                     void (TextEditorWindow::*command)());
    void addSeparator(QMenu* menu, const char* name);
    // What goes on once the save that a command ran as its first step has finished.
    enum class AfterSave { Nothing, Open, OpenVersion, Close };

    bool hasCurrentFile() const { return !m_currentFile.isEmpty(); }
    void setCurrentFile(const QString& path);
    // Runs Save. True when it has finished already (a document with a file; SaveCancelled
    // tells how); else the note is up, and `next` runs once the save its OK leads to has run,
    // or as a cancelled save when the note goes without one.
    bool saveThen(AfterSave next);
    // The save `next` waited for has finished (or will not come).
    void afterSave(AfterSave next);
    // Asks whether to save a modified document first. True when the command goes on now; false
    // when the user cancelled, the save failed, or `next` runs once the save note's save has.
    bool offerToSave(AfterSave next);
    // Open once any save it asked for is done: the dialog and the load.
    void openChosenFile();
    // The earlier version chosen, once any save asked for is done.
    void openChosenVersion();
    // Puts in the story a safety copy brought back, unsaved; false when there is none.
    bool showRestoredStory();
    void showNote();
    void reportSaveFailure(const QString& what, const QString& reason);
    // Writes the document as rich text and the answer data file beside it; tells the user and
    // returns false when either could not be written.
    bool writeDocumentAndData(const QString& path);
    // The selection start/length covering a match, or the "not found" message.
    void selectMatch(qsizetype from, const QString& notFoundText, const QString& notFoundTitle);

    ProgramState& m_state;
    QMenuBar* m_menuBar = nullptr;
    ui::RichTextEdit* m_txtEdit = nullptr;
    QAction* m_cut = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;

    bool m_documentModified = true;
    bool m_saveCancelled = false;
    ExitMode m_exitMode = ExitMode::End;
    ReminderFlag m_reminderFlag = ReminderFlag::Show;
    PendingSave m_pendingSave = PendingSave::Unset;
    QString m_currentFile;
    QString m_documentPath;
    // What the window's file dialog holds as its file name.
    QString m_dialogFileName;
    std::optional<QString> m_searchText;
    TextSearch m_search;

    AfterSave m_afterSave = AfterSave::Nothing;
    EarlierVersion m_chosenVersion;
};

} // namespace kt::document

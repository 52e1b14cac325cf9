#pragma once

#include "ui/program_window.h"
#include "windows/document/text_search.h"

#include <QString>

#include <optional>

class QAction;
class QEventLoop;
class QMenu;
class QMenuBar;

namespace kt {
struct ProgramState;
}
namespace kt::ui {
class RichTextEdit;
}

namespace kt::document {

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
    void ReturnToMainMenu();
    void Exit();
    void Cut();
    void Copy();
    void Paste();
    void Find();
    void FindNext();
    void Font();
    void Color();
    // Recomputes Cut, Copy and Paste; runs each time the Edit menu opens.
    void EditMenuOpened();

    ui::RichTextEdit* txtEdit() const { return m_txtEdit; }
    bool documentModified() const { return m_documentModified; }
    bool saveCancelled() const { return m_saveCancelled; }
    const QString& exitMode() const { return m_exitMode; }
    const QString& reminderFlag() const { return m_reminderFlag; }
    const QString& pendingSave() const { return m_pendingSave; }
    const QString& currentFile() const { return m_currentFile; }
    const QString& documentPath() const { return m_documentPath; }
    const std::optional<QString>& searchText() const { return m_searchText; }
    bool waitingForSave() const { return m_waitLoop != nullptr; }

protected:
    bool closeRequested() override;

private:
    QAction* addItem(QMenu* menu, const char* name, const char* caption, const QKeySequence& key,
                     void (TextEditorWindow::*command)());
    void addSeparator(QMenu* menu, const char* name);
    bool hasCurrentFile() const;
    // An empty path makes the document a new one.
    void setCurrentFile(const QString& path);
    // Asks whether to save a modified document and saves it if so. False when the user
    // cancelled, or the save did not complete.
    bool offerToSave();
    // Puts in the story a safety copy brought back, unsaved; false when there is none.
    bool showRestoredStory();
    // Runs Save and, when it goes through the save note, waits until the save has run or the
    // note was closed. False when the save did not complete.
    bool saveAndWait();
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
    QString m_exitMode = QStringLiteral("N");
    QString m_reminderFlag = QStringLiteral("O");
    QString m_pendingSave; // unset, "S" or "A"
    QString m_currentFile;
    QString m_documentPath;
    // What the window's file dialog holds as its file name.
    QString m_dialogFileName;
    std::optional<QString> m_searchText;
    TextSearch m_search;

    QEventLoop* m_waitLoop = nullptr;
    bool m_pendingSaveRan = false;
};

} // namespace kt::document

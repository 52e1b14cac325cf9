#include "windows/document/text_editor_window.h"

#include "windows/window_names.h"

#include "core/answer_data_file.h"
#include "core/photo_folder.h"
#include "core/program_state.h"
#include "system/disk_sync.h"
#include "ui/dialogs.h"
#include "ui/picture.h"
#include "ui/rich_text_edit.h"
#include "ui/twips.h"
#include "ui/window_manager.h"
#include "windows/common/unsaved_work.h"
#include "windows/document/book_window.h"
#include "windows/document/earlier_versions.h"
#include "windows/document/story_photos.h"
#include "windows/document/story_print.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <utility>

namespace kt::document {

using namespace kt::ui;

namespace {

const QString kNewCaption = QStringLiteral("Kithtale - Text Editor");
const QString kCaptionSuffix = QStringLiteral(" - Text Editor");

constexpr int kClientWidth = 6810;
constexpr int kClientHeight = 4995;

const QString& reminderText() {
    static const QString text = QStringLiteral(
        "NOTE:  Any changes made to this page can be saved to a file BUT the answers MUST BE "
        "CHANGED IN THEIR INDIVIDUAL TEXT BOXES in order to be reloaded correctly later.  It is "
        "suggested that you MAKE ALL CHANGES (other than font style and color) IN THE TEXT "
        "BOXES, not here.");
    return text;
}

MsgButton askToSave() {
    return messageBox(QStringLiteral("Do you want to save the current document?"),
                      QStringLiteral("Kithtale"), MsgIcon::Exclamation,
                      MsgButton::Yes | MsgButton::No | MsgButton::Cancel, MsgButton::Cancel);
}

} // namespace

TextEditorWindow::TextEditorWindow(ProgramState& state)
    : ProgramWindow(windows::kTextEditor, kNewCaption), m_state(state) {
    m_menuBar = new QMenuBar(this);
    m_txtEdit = new RichTextEdit(this);
    m_txtEdit->setAccessibleName(QStringLiteral("Life story"));
    m_txtEdit->setAccessibleDescription(
        QStringLiteral("Every question with its answer, as one document to read, edit, format, "
                       "search, print and save."));
    // The control fills the client area below the menu bar and follows every resize.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_txtEdit);

    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addItem(file, "mnuFileOpen", "&Open", QKeySequence(Qt::CTRL | Qt::Key_O),
            &TextEditorWindow::Open);
    addItem(file, "mnuFileVersions", "Earlier &Versions...", QKeySequence(),
            &TextEditorWindow::EarlierVersions);
    addSeparator(file, "Hyphen1");
    addItem(file, "mnuFileSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S),
            &TextEditorWindow::Save);
    addItem(file, "mnuFileSaveAs", "Save &As", QKeySequence(Qt::CTRL | Qt::Key_A),
            &TextEditorWindow::SaveAs);
    addSeparator(file, "Hyphen2");
    addItem(file, "mnuFilePrint", "&Print", QKeySequence(Qt::CTRL | Qt::Key_P),
            &TextEditorWindow::Print);
    addItem(file, "mnuFileMakeBook", "Make a &Book...", QKeySequence(),
            &TextEditorWindow::MakeBook);
    addSeparator(file, "Hyphen3");
    addItem(file, "mnuFileReturn", "&Return to Main Menu", QKeySequence(Qt::CTRL | Qt::Key_R),
            &TextEditorWindow::ReturnToMainMenu);
    addSeparator(file, "Hyphen5");
    addItem(file, "mnuFileExit", "E&xit", QKeySequence(), &TextEditorWindow::Exit);

    QMenu* edit = m_menuBar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    m_cut = addItem(edit, "mnuEditCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X),
                    &TextEditorWindow::Cut);
    m_copy = addItem(edit, "mnuEditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C),
                     &TextEditorWindow::Copy);
    m_paste = addItem(edit, "mnuEditPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V),
                      &TextEditorWindow::Paste);
    addItem(edit, "mnuEditInsertPicture", "&Insert Picture...", QKeySequence(),
            &TextEditorWindow::InsertPicture);
    addSeparator(edit, "Hyphen4");
    addItem(edit, "mnuEditFind", "&Find", QKeySequence(Qt::CTRL | Qt::Key_F),
            &TextEditorWindow::Find);
    addItem(edit, "mnuEditFindNext", "Find &Next", QKeySequence(Qt::Key_F3),
            &TextEditorWindow::FindNext);
    connect(edit, &QMenu::aboutToShow, this, &TextEditorWindow::EditMenuOpened);

    QMenu* options = m_menuBar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    addItem(options, "mnuOptionsFont", "Font", QKeySequence(Qt::CTRL | Qt::Key_T),
            &TextEditorWindow::Font);
    addItem(options, "mnuOptionsColor", "Color", QKeySequence(Qt::CTRL | Qt::Key_L),
            &TextEditorWindow::Color);

    m_txtEdit->setEditActions(m_cut, m_copy, m_paste);
    connect(m_txtEdit, &RichTextEdit::editCommandRequested, this,
            [this](RichTextEdit::EditCommand command) {
                // The control's own keys obey the state of the Edit items, like their shortcuts.
                switch (command) {
                case RichTextEdit::EditCommand::Cut:
                    if (m_cut->isEnabled())
                        Cut();
                    break;
                case RichTextEdit::EditCommand::Copy:
                    if (m_copy->isEnabled())
                        Copy();
                    break;
                case RichTextEdit::EditCommand::Paste:
                    if (m_paste->isEnabled())
                        Paste();
                    break;
                }
            });
    connect(m_txtEdit, &RichTextEdit::Change, this, [this] { m_documentModified = true; });

    // Text put in later takes this format.
    QTextCharFormat format;
    format.setFontFamilies(QStringList{QStringLiteral("arial")});
    format.setFontPointSize(12);
    m_txtEdit->setCurrentCharFormat(format);
    // The same for text without a format of its own, such as a plain text file opened later.
    QFont base(QStringLiteral("arial"));
    base.setPointSize(12);
    m_txtEdit->setFont(base);

    m_state.editorActivationCount = 0;

    resize(px(kClientWidth), px(kClientHeight) + m_menuBar->sizeHint().height());
    centreOnScreen();
}

TextEditorWindow::~TextEditorWindow() = default;

QAction* TextEditorWindow::addItem(QMenu* menu, const char* name, const char* caption,
                                   const QKeySequence& key, void (TextEditorWindow::*command)()) {
    auto* action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, command);
    menu->addAction(action);
    addAction(action);
    return action;
}

void TextEditorWindow::addSeparator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void TextEditorWindow::activated() {
    if (m_reminderFlag == ReminderFlag::Show)
        messageBox(reminderText(), QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok,
                   MsgButton::Ok);

    bool saved = false;
    if (m_state.noteAccepted == NoteAccepted::Yes && m_pendingSave == PendingSave::Save) {
        SavingData();
        saved = true;
    } else if (m_state.noteAccepted == NoteAccepted::Yes && m_pendingSave == PendingSave::SaveAs) {
        SavingDataAs();
        saved = true;
    }
    if (saved) {
        m_state.noteAccepted = NoteAccepted::No;
        m_reminderFlag = ReminderFlag::Skip;
    }

    if (m_state.editorActivationCount == 0 && !showRestoredStory())
        putComposedStory(*m_txtEdit, m_state);

    // Only whether the count is zero matters; it stops at the top of its range.
    if (m_state.editorActivationCount < std::numeric_limits<std::int16_t>::max())
        ++m_state.editorActivationCount;
    // While Open or the closing waits for the note, the editor is activated again when the
    // save question closes (the window system hands the focus back after the note came up).
    // That activation must not re-arm the reminder that the Save put off for the note's OK.
    if (saved || !waitingForSave())
        m_reminderFlag = ReminderFlag::Show;

    if (saved && waitingForSave()) {
        const AfterSave next = std::exchange(m_afterSave, AfterSave::Nothing);
        afterSave(next);
    }
}

void TextEditorWindow::setCurrentFile(const QString& path) {
    m_currentFile = path;
    setWindowTitle(path.isEmpty() ? kNewCaption : path + kCaptionSuffix);
}

void TextEditorWindow::reportSaveFailure(const QString& what, const QString& reason) {
    const QString why = reason.isEmpty() ? QStringLiteral("unknown") : reason;
    messageBox(what + QStringLiteral("\n\nReason: ") + why +
                   QStringLiteral("\n\nYour document is still here.  Please save it again, for "
                                  "example in another folder."),
               QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok, MsgButton::Ok);
}

bool TextEditorWindow::writeDocumentAndData(const QString& path) {
    const std::string nativePath = QFile::encodeName(path).toStdString();
    std::string dataError;
    std::string dataPath;
    // Refused before anything is written: a document named *.dat would be replaced by its data.
    if (!dataFilePathFor(nativePath, &dataPath, &dataError)) {
        reportSaveFailure(QStringLiteral("Your document could not be saved to this file:\n") + path,
                          QString::fromStdString(dataError));
        return false;
    }
    // What this save replaces stays at hand; a save goes on even where it cannot be kept.
    keepEarlierVersion(path);
    QString error;
    if (!m_txtEdit->SaveFile(path, &error)) {
        reportSaveFailure(QStringLiteral("Your document could not be saved to this file:\n") + path,
                          error);
        return false;
    }
    m_documentPath = path;
    if (!SaveDataFile(QFile::encodeName(m_documentPath).toStdString(), m_state.answers, &dataError,
                      system::syncToDisk)) {
        reportSaveFailure(QStringLiteral("Your document was saved to this file:\n") + path +
                              QStringLiteral("\nbut the answer data file beside it could not be "
                                             "written."),
                          QString::fromStdString(dataError));
        return false;
    }
    if (!SavePhotoFolder(QFile::encodeName(m_documentPath).toStdString(), m_state, &dataError,
                         system::syncToDisk)) {
        reportSaveFailure(QStringLiteral("Your document and its answer data file were saved "
                                         "beside this file:\n") +
                              path +
                              QStringLiteral("\nbut the photos of the answers could not be "
                                             "written beside them."),
                          QString::fromStdString(dataError));
        return false;
    }
    if (!SaveBookOptions(QFile::encodeName(m_documentPath).toStdString(), m_state, &dataError,
                         system::syncToDisk)) {
        reportSaveFailure(QStringLiteral("Your document, its answers and photos were saved beside "
                                         "this file:\n") +
                              path +
                              QStringLiteral("\nbut the settings of its book could not be "
                                             "written beside them."),
                          QString::fromStdString(dataError));
        return false;
    }
    windows::UnsavedWork::current().filed();
    return true;
}

void TextEditorWindow::SavingData() {
    m_reminderFlag = ReminderFlag::Skip;
    if (!writeDocumentAndData(m_currentFile)) {
        m_saveCancelled = true;
        return;
    }
    m_documentModified = false;
    m_saveCancelled = false;
}

void TextEditorWindow::SavingDataAs() {
    m_reminderFlag = ReminderFlag::Skip;
    FileRequest request;
    request.filter = QStringLiteral("Rich Text Files (*.rtf)|*.rtf");
    request.initialName = m_dialogFileName;
    request.confirmOverwrite = true;
    request.pathMustExist = true;
    const std::optional<QString> chosen = Dialogs::current().saveFile(request);
    if (!chosen) {
        m_saveCancelled = true;
        return;
    }
    m_dialogFileName = *chosen;
    if (!writeDocumentAndData(*chosen)) {
        m_saveCancelled = true;
        return;
    }
    setCurrentFile(*chosen);
    m_documentModified = false;
    m_saveCancelled = false;
}

void TextEditorWindow::showNote() {
    // Not modal; the editor stays shown behind it.
    showWindow(windows::kSaveNote);
}

void TextEditorWindow::Save() {
    m_state.noteAccepted = NoteAccepted::No;
    m_reminderFlag = ReminderFlag::Skip;
    if (hasCurrentFile()) {
        m_pendingSave = PendingSave::Save;
        SavingData();
    } else {
        m_pendingSave = PendingSave::SaveAs;
        showNote();
    }
}

void TextEditorWindow::SaveAs() {
    m_state.noteAccepted = NoteAccepted::No;
    m_reminderFlag = ReminderFlag::Skip;
    m_pendingSave = PendingSave::SaveAs;
    showNote();
}

bool TextEditorWindow::saveThen(AfterSave next) {
    Save();
    ProgramWindow* note = windows().find(windows::kSaveNote);
    if (m_pendingSave == PendingSave::Save)
        return true;
    if (!note || !note->isVisible()) {
        m_saveCancelled = true;
        return true;
    }
    // The save goes on once the user has pressed OK on the note, in the activation that OK
    // leads to. The note gone from the screen (closed from its title bar, or the program ending)
    // without that activation having saved means no save will come: a cancelled save.
    m_afterSave = next;
    connect(
        note, &ProgramWindow::hidden, this,
        [this] {
            // OK hides the note before the editor's activation has run; it runs on the next turn.
            QTimer::singleShot(0, this, [this] {
                windows().settle();
                if (!waitingForSave())
                    return;
                m_saveCancelled = true;
                afterSave(std::exchange(m_afterSave, AfterSave::Nothing));
            });
        },
        Qt::SingleShotConnection);
    return false;
}

void TextEditorWindow::afterSave(AfterSave next) {
    switch (next) {
    case AfterSave::Nothing:
        break;
    case AfterSave::Open:
        if (!m_saveCancelled)
            openChosenFile();
        break;
    case AfterSave::OpenVersion:
        if (!m_saveCancelled)
            openChosenVersion();
        break;
    case AfterSave::Close:
        if (m_saveCancelled) {
            // A later Exit must end the program, not go back to the main menu.
            m_exitMode = ExitMode::End;
            break;
        }
        // Saved: the document is no longer modified, so the closing asks nothing again.
        close();
        break;
    }
}

bool TextEditorWindow::offerToSave(AfterSave next) {
    if (!m_documentModified)
        return true;
    switch (askToSave()) {
    case MsgButton::Yes:
        return saveThen(next) && !m_saveCancelled;
    case MsgButton::No:
        return true;
    default:
        return false;
    }
}

void TextEditorWindow::Open() {
    if (waitingForSave() || !offerToSave(AfterSave::Open))
        return;
    openChosenFile();
}

void TextEditorWindow::openChosenFile() {
    m_dialogFileName.clear();
    FileRequest request;
    request.filter = QStringLiteral(
        "Rich Text Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    request.fileMustExist = true;
    const std::optional<QString> chosen = Dialogs::current().openFile(request);
    if (!chosen)
        return;
    m_dialogFileName = *chosen;
    // Any file is read as rich text; one that is not rich text comes in as plain text.
    if (!m_txtEdit->LoadFile(*chosen))
        return;
    m_documentModified = false;
    setCurrentFile(*chosen);
}

void TextEditorWindow::Print() {
    printStory(*m_txtEdit->document(), m_currentFile, this);
}

void TextEditorWindow::MakeBook() {
    makeBook(m_state, m_currentFile, this);
}

void TextEditorWindow::ReturnToMainMenu() {
    m_exitMode = ExitMode::Return;
    close();
}

void TextEditorWindow::Exit() {
    close();
}

bool TextEditorWindow::closeRequested() {
    if (waitingForSave())
        return false;
    if (m_documentModified) {
        switch (askToSave()) {
        case MsgButton::Yes:
            // A save through the note closes the window again once it has run.
            if (!saveThen(AfterSave::Close))
                return false;
            if (m_saveCancelled) {
                m_exitMode = ExitMode::End;
                return false;
            }
            break;
        case MsgButton::No:
            break;
        default:
            // A later Exit must end the program, not go back to the main menu.
            m_exitMode = ExitMode::End;
            return false;
        }
    }
    if (m_exitMode == ExitMode::Return) {
        // A save note this window put up belongs to its save and goes with it; left on the
        // screen, its OK would open a new editor over the main menu.
        if (ProgramWindow* note = windows().find(windows::kSaveNote))
            note->hide();
        showWindow(windows::kMainMenu);
        hide();
        return true;
    }
    windows().endProgram();
    return true;
}

void TextEditorWindow::EditMenuOpened() {
    const bool selected = m_txtEdit->hasSelection();
    m_cut->setEnabled(selected);
    m_copy->setEnabled(selected);
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* mime = clipboard->mimeData();
    m_paste->setEnabled(!clipboard->text().isEmpty() || (mime && mime->hasImage()));
}

void TextEditorWindow::Cut() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_txtEdit->SelText());
    if (m_txtEdit->hasSelection())
        m_txtEdit->setSelText(QString());
}

void TextEditorWindow::Copy() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_txtEdit->SelText());
}

void TextEditorWindow::Paste() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = clipboard->text();
    // Text stays plain text; a picture alone on the clipboard comes in as a picture.
    if (const QMimeData* mime = clipboard->mimeData(); text.isEmpty() && mime && mime->hasImage()) {
        QStringList unreadable;
        m_txtEdit->insertPictures(picturesIn(*mime, &unreadable));
        return;
    }
    if (text.isEmpty() && !m_txtEdit->hasSelection())
        return;
    m_txtEdit->setSelText(text);
}

void TextEditorWindow::InsertPicture() {
    m_txtEdit->insertPictures(choosePictures(this));
}

void TextEditorWindow::Font() {
    const SelectionFormat current = m_txtEdit->selectionFormat();
    // The dialog opens on the face the text is really drawn in ("arial" is served by whatever
    // the desktop has for it); that face chosen back keeps the name the document holds.
    const QString shown = QFontInfo(QFont(current.family)).family();
    FontRequest request;
    request.initial = {shown, current.pointSize, current.bold, current.italic, current.underline};
    std::optional<FontChoice> chosen = Dialogs::current().font(request);
    if (!chosen)
        return;
    if (chosen->family == shown)
        chosen->family = current.family;
    // A selection of several fonts takes the choice as a whole. Restyled text is a change the
    // closing must ask about, or the work would be lost; the same font again, or a font for the
    // insertion point alone (nothing is restyled until text is typed), changes nothing.
    const bool restyles =
        m_txtEdit->SelLength() > 0 &&
        !m_txtEdit->selectionAllInFont({chosen->family, chosen->pointSize, chosen->bold,
                                        chosen->italic, chosen->underline, QColor()});
    m_txtEdit->setSelectionFont(chosen->family, chosen->pointSize, chosen->bold, chosen->italic,
                                chosen->underline);
    if (restyles)
        m_documentModified = true;
}

void TextEditorWindow::Color() {
    const std::optional<QColor> chosen =
        Dialogs::current().color(m_txtEdit->selectionFormat().color);
    if (!chosen)
        return;
    if (m_txtEdit->selectionAllInColor(*chosen))
        return;
    m_txtEdit->setSelectionColor(*chosen);
    m_documentModified = true;
}

} // namespace kt::document

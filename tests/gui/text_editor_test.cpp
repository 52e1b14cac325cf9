// The text editor window: creation, activation, saving through the note, open, formatting,
// the clipboard rules and the closing question.
#include "core/answer_data_file.h"
#include "core/document_composer.h"
#include "core/question_catalog.h"
#include "editor_fixture.h"
#include "rtf/rtf.h"
#include "ui/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>

using namespace kt;
using namespace kt::ui;
using kt::test::EditorFixture;

namespace {

class TextEditor : public EditorFixture {};

struct MenuRow {
    const char* menu;
    const char* name;
    const char* caption; // nullptr: a separator
    const char* shortcut;
};

const MenuRow kMenus[] = {
    {"mnuFile", "mnuFileOpen", "&Open", "Ctrl+O"},
    {"mnuFile", "mnuFileVersions", "Earlier &Versions...", ""},
    {"mnuFile", "Hyphen1", nullptr, ""},
    {"mnuFile", "mnuFileSave", "&Save", "Ctrl+S"},
    {"mnuFile", "mnuFileSaveAs", "Save &As", "Ctrl+A"},
    {"mnuFile", "Hyphen2", nullptr, ""},
    {"mnuFile", "mnuFilePrint", "&Print", "Ctrl+P"},
    {"mnuFile", "mnuFileMakeBook", "Make a &Book...", ""},
    {"mnuFile", "Hyphen3", nullptr, ""},
    {"mnuFile", "mnuFileReturn", "&Return to Main Menu", "Ctrl+R"},
    {"mnuFile", "Hyphen5", nullptr, ""},
    {"mnuFile", "mnuFileExit", "E&xit", ""},
    {"mnuEdit", "mnuEditCut", "Cu&t", "Ctrl+X"},
    {"mnuEdit", "mnuEditCopy", "&Copy", "Ctrl+C"},
    {"mnuEdit", "mnuEditPaste", "&Paste", "Ctrl+V"},
    {"mnuEdit", "mnuEditInsertPicture", "&Insert Picture...", ""},
    {"mnuEdit", "Hyphen4", nullptr, ""},
    {"mnuEdit", "mnuEditFind", "&Find", "Ctrl+F"},
    {"mnuEdit", "mnuEditFindNext", "Find &Next", "F3"},
    {"mnuOptions", "mnuOptionsFont", "Font", "Ctrl+T"},
    {"mnuOptions", "mnuOptionsColor", "Color", "Ctrl+L"},
};

TEST_F(TextEditor, MenusAreExactlyTheTable) {
    openEditor();
    auto* bar = editor()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* a : bar->actions())
        titles << a->menu()->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("mnuFile=&File"), QStringLiteral("mnuEdit=&Edit"),
                                   QStringLiteral("mnuOptions=&Options")}));

    QHash<QString, int> next;
    for (const MenuRow& row : kMenus) {
        auto* menu = editor()->findChild<QMenu*>(QString::fromLatin1(row.menu));
        ASSERT_NE(menu, nullptr) << row.menu;
        const QList<QAction*> actions = menu->actions();
        const int i = next[QString::fromLatin1(row.menu)]++;
        ASSERT_LT(i, actions.size()) << row.name;
        QAction* a = actions[i];
        EXPECT_EQ(a->objectName(), QString::fromLatin1(row.name));
        EXPECT_EQ(a->isSeparator(), row.caption == nullptr) << row.name;
        if (row.caption) {
            EXPECT_EQ(a->text(), QString::fromLatin1(row.caption));
        }
        EXPECT_EQ(a->shortcut().toString(), QString::fromLatin1(row.shortcut)) << row.name;
        EXPECT_TRUE(a->isEnabled()) << row.name;
    }
    for (const char* m : {"mnuFile", "mnuEdit", "mnuOptions"})
        EXPECT_EQ(editor()->findChild<QMenu*>(QString::fromLatin1(m))->actions().size(),
                  next[QString::fromLatin1(m)]);
}

TEST_F(TextEditor, CreationCentresASizableWindowWhoseControlFillsTheClientArea) {
    openEditor();
    auto* w = editor();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Kithtale - Text Editor"));
    EXPECT_NE(w->minimumSize(), w->maximumSize()) << "a sizable border";
    const int menuHeight = w->findChild<QMenuBar*>()->height();
    EXPECT_EQ(txt()->size(), QSize(px(6810), px(4995)));
    EXPECT_EQ(w->height(), px(4995) + menuHeight);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect outer = w->frameGeometry();
    EXPECT_NEAR(outer.x(), (screen.width() - outer.width()) / 2, 1);
    EXPECT_NEAR(outer.y(), (screen.height() - outer.height()) / 2, 1);

    // The control fills the client area below the menu bar exactly at every size, so the
    // horizontal scroll bar of a wide table is wholly in view.
    QTextCursor end(txt()->document());
    end.movePosition(QTextCursor::End);
    QTextTableFormat wide;
    wide.setWidth(QTextLength(QTextLength::FixedLength, 3000));
    end.insertTable(1, 3, wide);
    for (const QSize size : {w->size(), QSize(900, 700), QSize(200, 120)}) {
        w->resize(size);
        settle();
        EXPECT_EQ(txt()->geometry(),
                  QRect(0, menuHeight, size.width(), size.height() - menuHeight));
        const QScrollBar* bar = txt()->horizontalScrollBar();
        EXPECT_TRUE(bar->isVisible());
        EXPECT_TRUE(w->rect().contains(QRect(bar->mapTo(w, QPoint()), bar->size())));
    }

    EXPECT_TRUE(w->documentModified());
    EXPECT_FALSE(w->saveCancelled());
    EXPECT_EQ(w->exitMode(), document::ExitMode::End);
    EXPECT_EQ(w->pendingSave(), document::PendingSave::Unset);
    EXPECT_FALSE(w->searchText().has_value());
}

TEST_F(TextEditor, TheReminderComesBeforeTheDocumentIsPutIn) {
    enterMainMenu();
    state().answers.setText(QuestionKey{SectionId::Childhood, "GrowUp"}, "On a farm.\r\nIn Ohio.");
    QString textDuringReminder = QStringLiteral("not asked");
    dialogs->answerMessage(MsgButton::Ok, [&] {
        textDuringReminder = editor()->txtEdit()->Text();
        EXPECT_EQ(state().editorActivationCount, 0);
    });
    click(QStringLiteral("frmMain"), QStringLiteral("cmdSaveFile"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0], reminderRequest());
    EXPECT_TRUE(textDuringReminder.isEmpty()) << "the editor is empty while the reminder is up";
    EXPECT_EQ(txt()->Text(), QString::fromStdString(DocumentComposer(state().answers)));
    EXPECT_EQ(state().editorActivationCount, 1);
    EXPECT_EQ(editor()->reminderFlag(), document::ReminderFlag::Show);
    EXPECT_TRUE(editor()->documentModified());
    EXPECT_FALSE(isShown(QStringLiteral("frmMain")));

    // The document is in arial 12 from the format set at creation.
    txt()->select(0, 5);
    const SelectionFormat f = txt()->selectionFormat();
    EXPECT_EQ(f.family.toLower(), QStringLiteral("arial"));
    EXPECT_EQ(f.pointSize, 12);
    EXPECT_FALSE(f.bold || f.italic || f.underline);
}

TEST_F(TextEditor, ALaterActivationNeitherRebuildsNorRepeatsTheSaveAndShowsTheReminderAgain) {
    openEditor();
    txt()->setText(QStringLiteral("my own edits"));
    // Away to the note and back by OK after a Save As whose dialog is cancelled.
    trigger("mnuFileSaveAs");
    EXPECT_TRUE(isShown(QStringLiteral("frmNote")));
    EXPECT_TRUE(editor()->isVisible()) << "the editor stays behind the note";
    dialogs->answerSave(std::nullopt);
    pressNoteOk();
    EXPECT_EQ(txt()->Text(), QStringLiteral("my own edits"));
    EXPECT_EQ(dialogs->saves.size(), 1u);
    EXPECT_TRUE(editor()->saveCancelled());
    EXPECT_EQ(state().noteAccepted, NoteAccepted::No);

    // The next activation shows the reminder again and saves nothing.
    program->windows().show(QStringLiteral("frmNote"));
    settle();
    dialogs->answerMessage(MsgButton::Ok);
    program->windows().show(QStringLiteral("frmTxtEditor"));
    window(QStringLiteral("frmNote"))->hide();
    settle();
    EXPECT_EQ(dialogs->saves.size(), 1u);
    EXPECT_EQ(dialogs->messages.back(), reminderRequest());
    EXPECT_EQ(txt()->Text(), QStringLiteral("my own edits"));
}

TEST_F(TextEditor, SaveOnANewDocumentShowsTheNoteFirstAndTheSaveDialogOnceAfterOk) {
    openEditor();
    const std::size_t messagesBefore = dialogs->messages.size();
    trigger("mnuFileSave");
    EXPECT_TRUE(isShown(QStringLiteral("frmNote")));
    EXPECT_TRUE(dialogs->saves.empty()) << "no dialog before the note's OK";
    EXPECT_EQ(editor()->pendingSave(), document::PendingSave::SaveAs);

    const QString file = path(QStringLiteral("Story.rtf"));
    dialogs->answerSave(file);
    pressNoteOk();
    ASSERT_EQ(dialogs->saves.size(), 1u);
    const FileRequest& r = dialogs->saves[0];
    EXPECT_EQ(r.filter, QStringLiteral("Rich Text Files (*.rtf)|*.rtf"));
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_TRUE(r.pathMustExist);
    EXPECT_TRUE(r.initialName.isEmpty());
    EXPECT_EQ(dialogs->messages.size(), messagesBefore) << "no reminder after the note";

    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("Story.dat"))));
    EXPECT_TRUE(contents(file).startsWith("{\\rtf"));
    EXPECT_EQ(editor()->windowTitle(), file + QStringLiteral(" - Text Editor"));
    EXPECT_EQ(editor()->currentFile(), file);
    EXPECT_EQ(editor()->documentPath(), file);
    EXPECT_FALSE(editor()->documentModified());
    EXPECT_FALSE(editor()->saveCancelled());
    EXPECT_EQ(state().noteAccepted, NoteAccepted::No);
    EXPECT_EQ(editor()->reminderFlag(), document::ReminderFlag::Show);
    EXPECT_FALSE(isShown(QStringLiteral("frmNote")));
    EXPECT_EQ(active(), editor());

    // A further activation does not save again.
    program->windows().show(QStringLiteral("frmNote"));
    settle();
    dialogs->answerMessage(MsgButton::Ok);
    program->windows().show(QStringLiteral("frmTxtEditor"));
    settle();
    EXPECT_EQ(dialogs->saves.size(), 1u);

    // Save As offers the file chosen last.
    trigger("mnuFileSaveAs");
    dialogs->answerSave(std::nullopt);
    pressNoteOk();
    ASSERT_EQ(dialogs->saves.size(), 2u);
    EXPECT_EQ(dialogs->saves[1].initialName, file);
}

TEST_F(TextEditor, ClosingTheNoteFromItsTitleBarSavesNothing) {
    openEditor();
    trigger("mnuFileSave");
    ASSERT_TRUE(isShown(QStringLiteral("frmNote")));
    window(QStringLiteral("frmNote"))->close();
    settle();
    EXPECT_EQ(window(QStringLiteral("frmNote")), nullptr);
    EXPECT_TRUE(editor()->isVisible());
    // Back in the editor by hand: nothing is saved.
    program->windows().show(QStringLiteral("frmTxtEditor"));
    settle();
    EXPECT_TRUE(dialogs->saves.empty());
    EXPECT_TRUE(editor()->documentModified());
    EXPECT_EQ(editor()->windowTitle(), QStringLiteral("Kithtale - Text Editor"));
}

TEST_F(TextEditor, ANamedDocumentSavesAtOnceWithoutNoteOrDialog) {
    openEditor();
    const QString file = path(QStringLiteral("Story.rtf"));
    trigger("mnuFileSave");
    dialogs->answerSave(file);
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    QFile::remove(file);
    QFile::remove(path(QStringLiteral("Story.dat")));

    txt()->setSelStart(0);
    txt()->setSelText(QStringLiteral("Dear family, "));
    EXPECT_TRUE(editor()->documentModified());
    const QStringList logBefore = dialogs->log;
    trigger("mnuFileSave");
    EXPECT_EQ(dialogs->log, logBefore) << "no note, no dialog, no message";
    EXPECT_FALSE(isShown(QStringLiteral("frmNote")));
    EXPECT_EQ(editor()->pendingSave(), document::PendingSave::Save);
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("Story.dat"))));
    EXPECT_FALSE(editor()->documentModified());
    EXPECT_EQ(editor()->documentPath(), file);
}

TEST_F(TextEditor, SaveAsUsesTheNameExactlyAsChosen) {
    openEditor();
    const QString file = path(QStringLiteral("Grandma story"));
    trigger("mnuFileSaveAs");
    dialogs->answerSave(file);
    pressNoteOk();
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".rtf")));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("Grandma story.dat"))));
    EXPECT_EQ(editor()->windowTitle(), file + QStringLiteral(" - Text Editor"));
}

// A failed write must never look like a success: one plain message says what and why, the
// document stays modified and the save counts as cancelled.
TEST_F(TextEditor, AFailedWriteInSaveAsIsReportedAndKeepsTheDocumentModified) {
    openEditor();
    struct Case {
        const char* what;
        QString file;
        const char* mentions;
    };
    const Case cases[] = {
        {"folder gone", path(QStringLiteral("gone/Story.rtf")), "could not be saved"},
        // Refused before anything is written: its data file would replace the document.
        {"document named like a data file", path(QStringLiteral("Story.dat")),
         "could not be saved"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        trigger("mnuFileSaveAs");
        dialogs->answerSave(c.file);
        dialogs->answerMessage(MsgButton::Ok);
        const std::size_t before = dialogs->messages.size();
        pressNoteOk();
        ASSERT_EQ(dialogs->messages.size(), before + 1);
        const MessageRequest& m = dialogs->messages.back();
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.mentions))) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(c.file)) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(QStringLiteral("Reason: ")));
        EXPECT_EQ(m.buttons, MsgButtons(MsgButton::Ok));
        EXPECT_TRUE(editor()->saveCancelled());
        EXPECT_TRUE(editor()->documentModified());
        EXPECT_EQ(editor()->windowTitle(), QStringLiteral("Kithtale - Text Editor"));
        EXPECT_FALSE(QFileInfo::exists(c.file));
    }
}

TEST_F(TextEditor, AFailedWriteInSaveToTheCurrentFileIsReportedAndStopsTheClosing) {
    openEditor();
    QDir(dir.path()).mkdir(QStringLiteral("album"));
    const QString file = path(QStringLiteral("album/Story.rtf"));
    trigger("mnuFileSave");
    dialogs->answerSave(file);
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    const QByteArray saved = contents(file);

    // The folder disappears; the next save must say so and keep everything in the editor.
    QDir(path(QStringLiteral("album"))).removeRecursively();
    txt()->setSelText(QStringLiteral("More. "));
    dialogs->answerMessage(MsgButton::Ok);
    trigger("mnuFileSave");
    ASSERT_FALSE(dialogs->messages.empty());
    EXPECT_TRUE(dialogs->messages.back().text.contains(file));
    EXPECT_TRUE(editor()->saveCancelled());
    EXPECT_TRUE(editor()->documentModified());

    // Closing with Yes: the failed save keeps the window open.
    dialogs->answerMessage(MsgButton::Yes);
    dialogs->answerMessage(MsgButton::Ok);
    trigger("mnuFileExit");
    EXPECT_FALSE(ended());
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editor()->isVisible());
    EXPECT_TRUE(txt()->Text().startsWith(QStringLiteral("More. ")));
    Q_UNUSED(saved);
}

TEST_F(TextEditor, OpenAsksAboutAModifiedDocumentAndLoadsTheChosenFile) {
    openEditor();
    const QString before = txt()->Text();
    // Cancel: nothing changes.
    dialogs->answerMessage(MsgButton::Cancel);
    trigger("mnuFileOpen");
    EXPECT_EQ(dialogs->messages.back(), saveQuestion());
    EXPECT_TRUE(dialogs->opens.empty());
    EXPECT_EQ(txt()->Text(), before);

    // No: the changes are discarded for the chosen file; a plain text file comes in as text.
    const QString file = path(QStringLiteral("notes.txt"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("First line\r\nSecond line\r\n");
    }
    dialogs->answerMessage(MsgButton::No);
    dialogs->answerOpen(file);
    trigger("mnuFileOpen");
    ASSERT_EQ(dialogs->opens.size(), 1u);
    EXPECT_EQ(dialogs->opens[0].filter,
              QStringLiteral("Rich Text Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files "
                             "(*.*)|*.*"));
    EXPECT_TRUE(dialogs->opens[0].initialName.isEmpty());
    // The final line end closes the last line.
    EXPECT_EQ(txt()->Text(), QStringLiteral("First line\r\nSecond line"));
    txt()->select(0, 5);
    EXPECT_EQ(txt()->selectionFormat().family.toLower(), QStringLiteral("arial"));
    EXPECT_EQ(txt()->selectionFormat().pointSize, 12);
    EXPECT_FALSE(editor()->documentModified());
    EXPECT_EQ(editor()->windowTitle(), file + QStringLiteral(" - Text Editor"));
    EXPECT_EQ(editor()->currentFile(), file);

    // Unmodified: no question. A file that cannot be read changes nothing.
    dialogs->answerOpen(path(QStringLiteral("missing.rtf")));
    trigger("mnuFileOpen");
    EXPECT_EQ(txt()->Text(), QStringLiteral("First line\r\nSecond line"));
    EXPECT_EQ(editor()->windowTitle(), file + QStringLiteral(" - Text Editor"));
    EXPECT_FALSE(editor()->documentModified());

    // Nor does a file that is not text at all: a picture stays a picture.
    const QString picture = path(QStringLiteral("photo.jpg"));
    {
        QFile f(picture);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + QByteArray(512, '\0'));
    }
    dialogs->answerOpen(picture);
    trigger("mnuFileOpen");
    EXPECT_EQ(txt()->Text(), QStringLiteral("First line\r\nSecond line"));
    EXPECT_EQ(editor()->currentFile(), file);
    EXPECT_EQ(editor()->windowTitle(), file + QStringLiteral(" - Text Editor"));

    // A cancelled open empties the name the Save As dialog offers.
    dialogs->answerOpen(std::nullopt);
    trigger("mnuFileOpen");
    trigger("mnuFileSaveAs");
    dialogs->answerSave(std::nullopt);
    pressNoteOk();
    EXPECT_TRUE(dialogs->saves.back().initialName.isEmpty());
}

TEST_F(TextEditor, OpenRoundTripsASavedDocumentWithItsFormatting) {
    openEditor();
    txt()->select(0, 9);
    txt()->setSelectionColor(QColor(200, 0, 0));
    const QString file = path(QStringLiteral("Story.rtf"));
    trigger("mnuFileSave");
    dialogs->answerSave(file);
    pressNoteOk();
    const QString text = txt()->Text();

    txt()->setText(QStringLiteral("scribbles"));
    dialogs->answerMessage(MsgButton::No);
    dialogs->answerOpen(file);
    trigger("mnuFileOpen");
    EXPECT_EQ(txt()->Text(), text);
    txt()->select(0, 9);
    EXPECT_EQ(txt()->selectionFormat().color, QColor(200, 0, 0));
    EXPECT_FALSE(txt()->selectionMixesColors());
    // The loaded document still tells its changes.
    txt()->setSelText(QStringLiteral("Hello"));
    EXPECT_TRUE(editor()->documentModified());
}

// Closing the note from its title bar while Open waits for the save is a cancelled save.
TEST_F(TextEditor, OpenStopsWhenTheNoteIsClosedWhileItWaits) {
    openEditor();
    dialogs->answerMessage(MsgButton::Yes, [this] {
        QTimer::singleShot(0, [this] {
            ASSERT_TRUE(isShown(QStringLiteral("frmNote")));
            EXPECT_TRUE(editor()->waitingForSave());
            window(QStringLiteral("frmNote"))->close();
        });
    });
    trigger("mnuFileOpen");
    EXPECT_FALSE(editor()->waitingForSave());
    EXPECT_TRUE(dialogs->opens.empty()) << "Open stopped";
    EXPECT_TRUE(dialogs->saves.empty());
    EXPECT_TRUE(editor()->saveCancelled());
}

// When the save question closes, the window system gives the focus back to the editor after
// the note has come up. That activation, while Open or the closing waits for the note, must not
// bring the reminder back before the save dialog.
class LateActivation : public TextEditor {
protected:
    void answerYesThenActivateLateAndPressOk() {
        dialogs->answerMessage(MsgButton::Yes, [this] {
            later([this] {
                editor()->activateWindow();
                later([this] {
                    EXPECT_EQ(active(), editor()) << "the late activation ran";
                    window(QStringLiteral("frmNote"))->activateWindow();
                    later([this] { pressNoteOk(); });
                });
            });
        });
        dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    }
    QStringList lastRequests(qsizetype n) const {
        return dialogs->log.mid(dialogs->log.size() - n);
    }
};

TEST_F(LateActivation, WhileOpenWaitsDoesNotRepeatTheReminder) {
    openEditor();
    answerYesThenActivateLateAndPressOk();
    dialogs->answerOpen(std::nullopt);
    trigger("mnuFileOpen");
    EXPECT_EQ(lastRequests(3), (QStringList{QStringLiteral("message:Kithtale"),
                                            QStringLiteral("save"), QStringLiteral("open")}));
}

TEST_F(LateActivation, WhileTheClosingWaitsDoesNotRepeatTheReminder) {
    openEditor();
    answerYesThenActivateLateAndPressOk();
    trigger("mnuFileReturn");
    EXPECT_EQ(lastRequests(2),
              (QStringList{QStringLiteral("message:Kithtale"), QStringLiteral("save")}));
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
}

TEST_F(TextEditor, OpenGoesOnAfterTheSaveThatTheNoteLedTo) {
    openEditor();
    const QString file = path(QStringLiteral("Story.rtf"));
    dialogs->answerMessage(MsgButton::Yes, [this] { later([this] { pressNoteOk(); }); });
    dialogs->answerSave(file);
    dialogs->answerOpen(std::nullopt);
    trigger("mnuFileOpen");
    EXPECT_EQ(dialogs->log.mid(dialogs->log.size() - 3),
              (QStringList{QStringLiteral("message:Kithtale"), QStringLiteral("save"),
                           QStringLiteral("open")}));
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST_F(TextEditor, ColourChangesMarkTheDocumentOnlyWhenAColourChanges) {
    openEditor();
    trigger("mnuFileSave");
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());

    txt()->select(0, 5);
    dialogs->answerColor(QColor(Qt::black));
    trigger("mnuOptionsColor");
    EXPECT_EQ(dialogs->colors.back(), QColor(Qt::black)) << "seeded with the selection's colour";
    EXPECT_FALSE(editor()->documentModified()) << "the same colour changes nothing";

    dialogs->answerColor(QColor(0, 0, 128));
    trigger("mnuOptionsColor");
    EXPECT_TRUE(editor()->documentModified());
    EXPECT_EQ(txt()->selectionFormat().color, QColor(0, 0, 128));

    dialogs->answerColor(std::nullopt);
    trigger("mnuOptionsColor");
    EXPECT_EQ(txt()->selectionFormat().color, QColor(0, 0, 128));
}

// A selection of several colours or fonts is seeded from its first character and takes the
// choice as a whole.
TEST_F(TextEditor, FontAndColourApplyToAMixedSelection) {
    openEditor();
    txt()->select(0, 3);
    txt()->setSelectionColor(QColor(192, 0, 0));
    txt()->setSelectionFont(QStringLiteral("Liberation Serif"), 20, true, false, false);
    txt()->select(0, 40);
    ASSERT_TRUE(txt()->selectionMixesColors());
    ASSERT_TRUE(txt()->selectionMixesFonts());

    dialogs->answerColor(QColor(0, 128, 0));
    trigger("mnuOptionsColor");
    EXPECT_EQ(dialogs->colors.back(), QColor(192, 0, 0));
    EXPECT_FALSE(txt()->selectionMixesColors());
    EXPECT_TRUE(txt()->selectionAllInColor(QColor(0, 128, 0)));

    dialogs->answerFont(FontChoice{QStringLiteral("Liberation Mono"), 14, false, true, false});
    trigger("mnuOptionsFont");
    const FontRequest& r = dialogs->fonts.back();
    EXPECT_EQ(r.initial, (FontChoice{QStringLiteral("Liberation Serif"), 20, true, false, false}));
    EXPECT_FALSE(txt()->selectionMixesFonts());
    const SelectionFormat f = txt()->selectionFormat();
    EXPECT_EQ(f.family, QStringLiteral("Liberation Mono"));
    EXPECT_EQ(f.pointSize, 14);
    EXPECT_TRUE(f.italic);
    EXPECT_FALSE(f.bold);
}

// Restyled text is asked about on closing, like a colour change, so the work is never lost
// without a word; the same font again, a cancel, or a font for the insertion point alone leave
// the document as saved.
TEST_F(TextEditor, AFontChangeMarksTheDocumentOnlyWhenItRestylesText) {
    openEditor();
    trigger("mnuFileSave");
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    txt()->select(0, 8);
    // The dialog opens on the face that draws "arial" here (not a generic family), and that
    // face taken back is the same font: the document keeps its name.
    const QString shown = QFontInfo(QFont(QStringLiteral("arial"))).family();
    dialogs->answerFont(FontChoice{shown, 12, false, false, false});
    trigger("mnuOptionsFont");
    EXPECT_EQ(dialogs->fonts.back().initial, (FontChoice{shown, 12, false, false, false}));
    EXPECT_EQ(txt()->selectionFormat().family, QStringLiteral("arial"));
    EXPECT_FALSE(editor()->documentModified()) << "the same font again";
    dialogs->answerFont(std::nullopt);
    trigger("mnuOptionsFont");
    EXPECT_FALSE(editor()->documentModified()) << "a cancel";
    txt()->select(3, 0);
    dialogs->answerFont(FontChoice{QStringLiteral("Liberation Serif"), 16, true, true, false});
    trigger("mnuOptionsFont");
    EXPECT_FALSE(editor()->documentModified()) << "the insertion point alone";

    txt()->select(0, 8);
    dialogs->answerFont(FontChoice{QStringLiteral("Liberation Serif"), 16, true, true, false});
    trigger("mnuOptionsFont");
    EXPECT_TRUE(txt()->selectionFormat().bold);
    EXPECT_TRUE(editor()->documentModified()) << "restyled";
    dialogs->answerFont(std::nullopt);
    trigger("mnuOptionsFont");
    EXPECT_EQ(txt()->selectionFormat().pointSize, 16);

    // So closing asks, and Yes saves the restyled text.
    dialogs->answerMessage(MsgButton::Yes);
    trigger("mnuFileReturn");
    EXPECT_EQ(dialogs->messages.back(), saveQuestion());
    QTextDocument saved;
    ASSERT_TRUE(kt::rtf::loadFile(path(QStringLiteral("Story.rtf")), saved));
    QTextCursor c(&saved);
    c.setPosition(1);
    EXPECT_TRUE(c.charFormat().font().bold());
}

TEST_F(TextEditor, CutAndCopyWithNothingSelectedClearTheClipboardAndDisablePaste) {
    openEditor();
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const char* command : {"mnuEditCut", "mnuEditCopy"}) {
        SCOPED_TRACE(command);
        clipboard->setText(QStringLiteral("left over"));
        // Enabled by an opening with a selection; the items keep that state until the next one.
        txt()->select(0, 4);
        openEditMenu();
        txt()->setSelStart(3);
        const QString before = txt()->Text();
        trigger(command);
        EXPECT_TRUE(clipboard->text().isEmpty());
        EXPECT_EQ(txt()->Text(), before);
        openEditMenu();
        EXPECT_FALSE(item("mnuEditPaste")->isEnabled());
        EXPECT_FALSE(item("mnuEditCut")->isEnabled());
        EXPECT_FALSE(item("mnuEditCopy")->isEnabled());
        EXPECT_TRUE(item("mnuEditFind")->isEnabled());
        EXPECT_TRUE(item("mnuEditFindNext")->isEnabled());
    }
}

TEST_F(TextEditor, CutCopyAndPasteCarryPlainTextOnly) {
    openEditor();
    txt()->setText(QStringLiteral("one two\r\nthree"));
    txt()->select(0, 3);
    txt()->setSelectionColor(QColor(192, 0, 0));
    openEditMenu();
    EXPECT_TRUE(item("mnuEditCut")->isEnabled());
    trigger("mnuEditCut");
    QClipboard* clipboard = QGuiApplication::clipboard();
    EXPECT_EQ(clipboard->text(), QStringLiteral("one"));
    EXPECT_FALSE(clipboard->mimeData()->hasHtml());
    EXPECT_EQ(txt()->Text(), QStringLiteral(" two\r\nthree"));

    txt()->select(4, 7); // "\r\nthree"
    trigger("mnuEditCopy");
    EXPECT_EQ(clipboard->text(), QStringLiteral("\r\nthree"));
    txt()->setSelStart(0);
    openEditMenu();
    ASSERT_TRUE(item("mnuEditPaste")->isEnabled());
    trigger("mnuEditPaste");
    EXPECT_EQ(txt()->Text(), QStringLiteral("\r\nthree two\r\nthree"));
    // Pasted text takes the format where it goes, never the red it was cut with.
    txt()->select(0, 7);
    EXPECT_FALSE(txt()->selectionMixesColors());
}

TEST_F(TextEditor, TheControlsOwnKeysFollowTheEditItemsState) {
    openEditor();
    txt()->setText(QStringLiteral("keep this text"));
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted "));
    // The Edit menu was opened with nothing selected: Cut and Copy are off until it opens again.
    txt()->setSelStart(0);
    openEditMenu();
    txt()->select(0, 4);
    QTest::keyClick(txt(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(txt(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(txt()->Text(), QStringLiteral("keep this text"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("pasted "));
    // Paste was enabled: the control's own paste key goes through the Paste command.
    txt()->setSelStart(0);
    QTest::keyClick(txt(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(txt()->Text(), QStringLiteral("pasted keep this text"));
    // Ctrl+A never selects everything.
    txt()->setSelStart(2);
    QTest::keyClick(txt(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(txt()->hasSelection());
    // Undo and redo stay with the control.
    QTest::keyClick(txt(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(txt()->Text(), QStringLiteral("keep this text"));
    QTest::keyClick(txt(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(txt()->Text(), QStringLiteral("pasted keep this text"));
}

TEST_F(TextEditor, TheContextMenuOffersTheWindowsEditItemsWithTheirState) {
    openEditor();
    txt()->setSelStart(0);
    openEditMenu(); // nothing selected: Cut and Copy off
    txt()->select(0, 5);
    // The menu's own items die with it: keep their texts, and the window's items by address.
    QList<QAction*> offered;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            offered = menu->actions();
            for (QAction* a : offered)
                texts << a->text();
            menu->close();
        }
    });
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, txt()->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(txt()->viewport(), &event);
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_TRUE(offered.contains(item("mnuEditCut")));
    EXPECT_TRUE(offered.contains(item("mnuEditCopy")));
    EXPECT_TRUE(offered.contains(item("mnuEditPaste")));
    EXPECT_FALSE(item("mnuEditCut")->isEnabled()) << "as computed at the last Edit opening";
    EXPECT_TRUE(texts.contains(QStringLiteral("&Undo")));
    for (const QString& t : texts)
        EXPECT_FALSE(t.contains(QStringLiteral("Select"))) << "no select-all";
}

TEST_F(TextEditor, ShortcutsReachTheWindowsCommandsFromInsideTheControl) {
    openEditor();
    editor()->activateWindow();
    txt()->setFocus();
    settle();
    if (QApplication::activeWindow() != editor())
        GTEST_SKIP() << "this platform plugin does not activate windows on request";
    txt()->select(0, 5);
    QTest::keyClick(txt(), Qt::Key_A, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(isShown(QStringLiteral("frmNote"))) << "Ctrl+A is Save As";
    EXPECT_EQ(editor()->pendingSave(), document::PendingSave::SaveAs);
    window(QStringLiteral("frmNote"))->close();
    settle();
    editor()->activateWindow();
    settle();
    txt()->select(0, 5);
    QTest::keyClick(txt(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Thank"));
}

TEST_F(TextEditor, ZoomChangesTheViewOnly) {
    openEditor();
    const QSizeF before = txt()->document()->size();
    QTest::keyClick(txt(), Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(txt(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_GT(txt()->zoomFactor(), 1.1);
    EXPECT_GT(txt()->document()->size().height(), before.height() * 1.1);
    txt()->select(0, 5);
    EXPECT_EQ(txt()->selectionFormat().pointSize, 12) << "formats untouched";
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(txt(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(txt()->zoomFactor(), 1.0);
    EXPECT_LT(txt()->document()->size().height(), before.height());

    // Ctrl + wheel: a step per notch, towards the user zooming out; without Ctrl it scrolls.
    const double out = txt()->zoomFactor();
    const int top = txt()->verticalScrollBar()->value();
    kt::test::turnWheel(txt()->viewport(), 2 * 120, Qt::ControlModifier);
    EXPECT_NEAR(txt()->zoomFactor(), out * 1.1 * 1.1, 1e-9);
    kt::test::turnWheel(txt()->viewport(), -120, Qt::ControlModifier);
    EXPECT_NEAR(txt()->zoomFactor(), out * 1.1, 1e-9);
    kt::test::turnWheel(txt()->viewport(), -120, Qt::NoModifier);
    EXPECT_NEAR(txt()->zoomFactor(), out * 1.1, 1e-9);
    EXPECT_GT(txt()->verticalScrollBar()->value(), top);
    EXPECT_EQ(txt()->selectionFormat().pointSize, 12) << "formats untouched";
}

TEST_F(TextEditor, ClosingAFreshEditorAsksAndNoEndsTheProgram) {
    openEditor();
    dialogs->answerMessage(MsgButton::No);
    trigger("mnuFileExit");
    EXPECT_EQ(dialogs->messages.back(), saveQuestion());
    EXPECT_TRUE(ended());
}

TEST_F(TextEditor, ReturnWithNoGoesBackToTheMainMenuAndTheNextOpeningComposesAfresh) {
    openEditor();
    txt()->setText(QStringLiteral("edits that are thrown away"));
    dialogs->answerMessage(MsgButton::No);
    trigger("mnuFileReturn");
    EXPECT_FALSE(ended());
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
    EXPECT_EQ(window(QStringLiteral("frmTxtEditor")), nullptr) << "closed, not hidden";

    state().answers.setText(QuestionKey{SectionId::Final, "Comments"}, "Love to all.");
    dialogs->answerMessage(MsgButton::Ok);
    click(QStringLiteral("frmMain"), QStringLiteral("cmdSaveFile"));
    EXPECT_EQ(state().editorActivationCount, 1);
    EXPECT_TRUE(txt()->Text().endsWith(QStringLiteral("Love to all.\r\n")));
}

TEST_F(TextEditor, TheTitleBarCloseBehavesAsExit) {
    openEditor();
    dialogs->answerMessage(MsgButton::Cancel);
    EXPECT_FALSE(editor()->close());
    EXPECT_TRUE(editor()->isVisible());
    dialogs->answerMessage(MsgButton::No);
    editor()->close();
    settle();
    EXPECT_TRUE(ended());
}

// A cancelled closing resets ExitMode, so a later Exit ends the program.
TEST_F(TextEditor, ACancelledReturnLeavesExitEndingTheProgram) {
    openEditor();
    dialogs->answerMessage(MsgButton::Cancel);
    trigger("mnuFileReturn");
    EXPECT_TRUE(editor()->isVisible());
    EXPECT_EQ(editor()->exitMode(), document::ExitMode::End);
    dialogs->answerMessage(MsgButton::No);
    trigger("mnuFileExit");
    EXPECT_TRUE(ended());
    EXPECT_FALSE(isShown(QStringLiteral("frmMain")));
}

TEST_F(TextEditor, YesAndACancelledSaveDialogKeepTheEditorOpen) {
    openEditor();
    dialogs->answerMessage(MsgButton::Yes, [this] { later([this] { pressNoteOk(); }); });
    dialogs->answerSave(std::nullopt);
    trigger("mnuFileReturn");
    EXPECT_TRUE(editor()->isVisible());
    EXPECT_FALSE(isShown(QStringLiteral("frmMain")));
    EXPECT_EQ(editor()->exitMode(), document::ExitMode::End);
}

TEST_F(TextEditor, YesSavesThroughTheNoteAndThenReturns) {
    openEditor();
    const QString file = path(QStringLiteral("Story.rtf"));
    dialogs->answerMessage(MsgButton::Yes, [this] { later([this] { pressNoteOk(); }); });
    dialogs->answerSave(file);
    trigger("mnuFileReturn");
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
    EXPECT_EQ(window(QStringLiteral("frmTxtEditor")), nullptr);
}

// Closing the note from its title bar while the closing waits keeps the editor open.
TEST_F(TextEditor, TheClosingStopsWhenTheNoteIsClosedWhileItWaits) {
    openEditor();
    dialogs->answerMessage(
        MsgButton::Yes, [this] { later([this] { window(QStringLiteral("frmNote"))->close(); }); });
    trigger("mnuFileExit");
    EXPECT_FALSE(ended());
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editor()->isVisible());
    EXPECT_TRUE(editor()->saveCancelled());
}

TEST_F(TextEditor, AnUnmodifiedDocumentClosesWithoutAQuestion) {
    openEditor();
    trigger("mnuFileSave");
    dialogs->answerSave(path(QStringLiteral("Story.rtf")));
    pressNoteOk();
    const std::size_t before = dialogs->messages.size();
    trigger("mnuFileReturn");
    EXPECT_EQ(dialogs->messages.size(), before);
    EXPECT_TRUE(isShown(QStringLiteral("frmMain")));
}

} // namespace

#pragma once

#include "support/program_fixture.h"
#include "ui/dialogs.h"
#include "ui/rich_text_edit.h"
#include "ui/window_manager.h"
#include "windows/document/text_editor_window.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace kt::test {

// The standard output of a command-line tool (poppler-utils reading a printed PDF); a failure
// fails the test.
inline QString tool(const QString& name, const QStringList& args) {
    QProcess p;
    p.start(name, args);
    if (!p.waitForFinished(60'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << name.toStdString() << " " << args.join(u' ').toStdString()
                      << " failed (poppler-utils missing? scripts/setup installs it): "
                      << p.errorString().toStdString() << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// How many pictures a PDF holds, as pdfimages lists them.
inline qsizetype pdfImageCount(const QString& pdf) {
    return tool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
        .count(QRegularExpression(QStringLiteral("\\n\\s+\\d+\\s+\\d+\\s+image\\s")));
}

class EditorFixture : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    static const QString& reminderText() {
        static const QString text = QStringLiteral(
            "NOTE:  Any changes made to this page can be saved to a file BUT the answers MUST BE "
            "CHANGED IN THEIR INDIVIDUAL TEXT BOXES in order to be reloaded correctly later.  It "
            "is suggested that you MAKE ALL CHANGES (other than font style and color) IN THE "
            "TEXT BOXES, not here.");
        return text;
    }
    static ui::MessageRequest reminderRequest() {
        return {reminderText(), QStringLiteral("Kithtale"), ui::MsgIcon::Exclamation,
                ui::MsgButton::Ok, ui::MsgButton::Ok};
    }
    static ui::MessageRequest saveQuestion() {
        using ui::MsgButton;
        return {QStringLiteral("Do you want to save the current document?"),
                QStringLiteral("Kithtale"), ui::MsgIcon::Exclamation,
                MsgButton::Yes | MsgButton::No | MsgButton::Cancel, MsgButton::Cancel};
    }

    // From the splash to the editor, through its first activation and the reminder.
    document::TextEditorWindow* openEditor() {
        enterMainMenu();
        dialogs->answerMessage(ui::MsgButton::Ok);
        click(QStringLiteral("frmMain"), QStringLiteral("cmdSaveFile"));
        settle();
        return editor();
    }
    document::TextEditorWindow* editor() const {
        return static_cast<document::TextEditorWindow*>(window(QStringLiteral("frmTxtEditor")));
    }
    ui::RichTextEdit* txt() const { return editor()->txtEdit(); }
    QAction* item(const char* name) const {
        return editor()->findChild<QAction*>(QString::fromLatin1(name));
    }
    // Runs a command to its end: a command waiting for the save the note leads to ends once that
    // save has run or will not come.
    void trigger(const char* name) {
        QAction* a = item(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
        settle();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !editor() || !editor()->waitingForSave(); }))
            << name << " still waits for a save";
        settle();
    }
    void openEditMenu() {
        auto* menu = editor()->findChild<QMenu*>(QStringLiteral("mnuEdit"));
        ASSERT_NE(menu, nullptr);
        Q_EMIT menu->aboutToShow();
    }
    // Runs fn from the event loop once the activations queued now have run, as a user's click
    // would: used from inside a modal wait.
    static void later(std::function<void()> fn) {
        QTimer::singleShot(0, [fn] { QTimer::singleShot(0, [fn] { QTimer::singleShot(0, fn); }); });
    }
    void pressNoteOk() { click(QStringLiteral("frmNote"), QStringLiteral("cmdOK")); }

    QString path(const QString& name) const { return dir.filePath(name); }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

} // namespace kt::test

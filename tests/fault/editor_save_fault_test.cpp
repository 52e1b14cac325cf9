// The editor's own save of a named document (File, Save: SavingData) under faults. Each time
// the user is told once what could not be saved and why, the document stays modified, the save
// counts as cancelled, and the files of the last good save stay whole byte for byte; once the
// fault is gone the next save writes both files in full.
#include "fault/fault_support.h"

#include "core/answer_data_file.h"
#include "gui/editor_fixture.h"
#include "rtf/rtf.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace kt;
using namespace kt::fault;
using kt::ui::MsgButton;

namespace {

class EditorSaveFaults : public test::EditorFixture {
public:
    // For the fault tables below.
    using EditorFixture::path;
    using EditorFixture::txt;
    QString folder() const { return path(QStringLiteral("album")); }
    QString storyFile() const { return folder() + QStringLiteral("/Story.rtf"); }
    QString answerFile() const { return folder() + QStringLiteral("/Story.dat"); }
    QByteArray shownStoryBytes() const { return rtf::write(*txt()->document()); }
    QByteArray answerRecord() {
        return QByteArray::fromStdString(encodeAnswerRecord(state().answers));
    }
};

struct Case {
    const char* name;
    // Switches the fault on; the returned function switches it off again.
    std::function<std::function<void()>(EditorSaveFaults&)> inject;
    // The message names the story (else: the story was saved, the answers were not).
    bool storyFails;
    const char* reason;
};

TEST_F(EditorSaveFaults, TheUserIsToldAndTheLastGoodSaveStaysWhole) {
    fillAnswers(state().answers, 1, 2'000);
    openEditor();
    ASSERT_TRUE(QDir().mkpath(folder()));
    trigger("mnuFileSave");
    dialogs->answerSave(storyFile());
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    ASSERT_EQ(editor()->currentFile(), storyFile());

    const auto limitTo = [](std::function<long long(EditorSaveFaults&)> bytes) {
        return [bytes](EditorSaveFaults& f) -> std::function<void()> {
            auto limit = std::make_shared<FileSizeLimit>(bytes(f));
            EXPECT_TRUE(limit->active());
            return [limit]() mutable { limit.reset(); };
        };
    };
    std::vector<Case> cases = {
        {"read-only folder",
         [](EditorSaveFaults& f) -> std::function<void()> {
             QFile::setPermissions(f.folder(), QFile::ReadOwner | QFile::ExeOwner);
             auto obey = std::make_shared<ObeyFilePermissions>();
             EXPECT_FALSE(canCreateIn(f.folder())) << "the folder is not read-only";
             return [obey, &f]() mutable {
                 obey.reset();
                 QFile::setPermissions(f.folder(),
                                       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
             };
         },
         true, "ermission denied"},
        {"folder gone (a memory stick pulled out)",
         [](EditorSaveFaults& f) -> std::function<void()> {
             const QString away = f.path(QStringLiteral("album-away"));
             EXPECT_TRUE(QDir().rename(f.folder(), away));
             return [&f, away] {
                 // The save must not have made the folder again.
                 EXPECT_FALSE(QFileInfo::exists(f.folder()));
                 EXPECT_TRUE(QDir().rename(away, f.folder()));
             };
         },
         true, "No such file or directory"},
        {"full disk before the first byte", limitTo([](EditorSaveFaults&) { return 0LL; }), true,
         "too large"},
        {"full disk after 4 KiB", limitTo([](EditorSaveFaults&) { return 4096LL; }), true,
         "too large"},
        {"full disk half way through the story",
         limitTo([](EditorSaveFaults& f) { return f.shownStoryBytes().size() / 2; }), true,
         "too large"},
        {"full disk one byte short of the story",
         limitTo([](EditorSaveFaults& f) { return f.shownStoryBytes().size() - 1; }), true,
         "too large"},
    };
    if (::geteuid() != 0) {
        // Root replaces a read-only file whatever its permissions say; anyone else may not.
        cases.push_back({"read-only story file",
                         [](EditorSaveFaults& f) -> std::function<void()> {
                             QFile::setPermissions(f.storyFile(), QFile::ReadOwner);
                             return [&f] {
                                 QFile::setPermissions(f.storyFile(),
                                                       QFile::ReadOwner | QFile::WriteOwner);
                             };
                         },
                         true, "not writable"});
    }
    // A story shorter than the write buffers, so that its end would be written only on close.
    cases.push_back({"full disk half way through a short story",
                     [](EditorSaveFaults& f) -> std::function<void()> {
                         f.txt()->setText(QStringLiteral("Dear family,\r\nThis is my story."));
                         auto limit =
                             std::make_shared<FileSizeLimit>(f.shownStoryBytes().size() / 2);
                         return [limit]() mutable { limit.reset(); };
                     },
                     true, "too large"});
    // Last, as it shortens the story: the story fits on the disk, the answers beside it do not.
    cases.push_back({"full disk after the story, before the answers are done",
                     [](EditorSaveFaults& f) -> std::function<void()> {
                         f.txt()->setText(QStringLiteral("A short story.  The answers are long."));
                         const long long story = f.shownStoryBytes().size();
                         EXPECT_LT(story * 2, f.answerRecord().size());
                         auto limit = std::make_shared<FileSizeLimit>(story * 2);
                         return [limit]() mutable { limit.reset(); };
                     },
                     false, "too large"});

    int tried = 0;
    long long lost = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        txt()->setSelStart(0);
        txt()->setSelLength(0);
        txt()->setSelText(QStringLiteral("Change %1. ").arg(i));
        ASSERT_TRUE(editor()->documentModified());
        const QByteArray previousStory = fileBytes(storyFile());
        const QByteArray previousAnswers = fileBytes(answerFile());
        const QString caption = editor()->windowTitle();

        dialogs->answerMessage(MsgButton::Ok);
        const std::size_t messagesBefore = dialogs->messages.size();
        std::function<void()> heal = c.inject(*this);
        trigger("mnuFileSave");
        const QByteArray attemptedStory = shownStoryBytes();
        heal();
        const QByteArray storyNow = fileBytes(storyFile());
        const QByteArray answersNow = fileBytes(answerFile());
        ++tried;

        // Told once, with what and why.
        ASSERT_EQ(dialogs->messages.size(), messagesBefore + 1);
        const ui::MessageRequest& m = dialogs->messages.back();
        EXPECT_EQ(m.title, QStringLiteral("Kithtale"));
        EXPECT_EQ(m.buttons, ui::MsgButtons(MsgButton::Ok));
        EXPECT_TRUE(m.text.contains(storyFile())) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(QStringLiteral("Reason: ")));
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.reason))) << m.text.toStdString();
        EXPECT_EQ(m.text.contains(QStringLiteral("answer data file")), !c.storyFails)
            << m.text.toStdString();
        const qsizetype reasonAt = m.text.indexOf(QStringLiteral("Reason: "));
        std::printf(
            "[  fault   ] %s: %s\n", c.name,
            m.text.mid(reasonAt, m.text.indexOf(u'\n', reasonAt) - reasonAt).toUtf8().constData());
        EXPECT_TRUE(editor()->documentModified());
        EXPECT_TRUE(editor()->saveCancelled());
        EXPECT_EQ(editor()->windowTitle(), caption);

        // The last good save is whole; a story written before the answers failed is the new
        // one in full.
        if (c.storyFails) {
            if (storyNow != previousStory)
                lost += previousStory.size();
            EXPECT_EQ(storyNow, previousStory);
        } else {
            EXPECT_EQ(storyNow, attemptedStory);
        }
        if (answersNow != previousAnswers)
            lost += previousAnswers.size();
        EXPECT_EQ(answersNow, previousAnswers);
        EXPECT_EQ(folderEntries(folder()),
                  (QStringList{QStringLiteral("Story.dat"), QStringLiteral("Story.rtf")}));

        // With the fault gone, Save writes both files in full, and says nothing.
        trigger("mnuFileSave");
        EXPECT_EQ(dialogs->messages.size(), messagesBefore + 1);
        EXPECT_FALSE(editor()->documentModified());
        EXPECT_FALSE(editor()->saveCancelled());
        EXPECT_EQ(fileBytes(storyFile()), shownStoryBytes());
        EXPECT_EQ(fileBytes(answerFile()), answerRecord());
        QTextDocument back;
        ASSERT_TRUE(rtf::loadFile(storyFile(), back));
        EXPECT_EQ(back.toPlainText(), txt()->document()->toPlainText());
    }
    std::printf("[  fault   ] editor save: %d fault cases tried, %lld bytes lost\n", tried, lost);
    EXPECT_EQ(lost, 0);
}

} // namespace

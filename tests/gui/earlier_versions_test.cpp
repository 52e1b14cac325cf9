#include "editor_fixture.h"

#include "windows/document/earlier_versions.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

using namespace kt;
using namespace kt::test;
using ui::MsgButton;

namespace {

class EarlierVersions : public EditorFixture {
protected:
    // Versions other tests' saves kept are not this test's.
    void SetUp() override {
        QDir(document::earlierVersionsFolder()).removeRecursively();
        EditorFixture::SetUp();
    }
    // An edit, then Save to the document's own file.
    void changeAndSave(const QString& words) {
        txt()->moveCursor(QTextCursor::End);
        txt()->setSelText(words);
        trigger("mnuFileSave");
        ASSERT_FALSE(editor()->documentModified());
    }
};

TEST_F(EarlierVersions, ASaveKeepsThePairItReplacesTheLastTenOfThemAndOneOpensAsANewDocument) {
    const QString story = path(QStringLiteral("Story.rtf"));
    const QString answers = path(QStringLiteral("Story.dat"));
    openEditor();
    trigger("mnuFileSaveAs");
    dialogs->answerSave(story);
    pressNoteOk();
    EXPECT_TRUE(document::earlierVersions().isEmpty()) << "a new file replaces nothing";

    // Each save keeps the pair before it, byte for byte; the oldest go after ten.
    QList<QByteArray> stories{contents(story)}, datas{contents(answers)};
    for (int i = 1; i <= 12; ++i) {
        state().answers.setText({SectionId::Final, "Comments"}, "revision " + std::to_string(i));
        changeAndSave(QStringLiteral(" Revision %1.").arg(i));
        stories << contents(story);
        datas << contents(answers);
    }
    const QList<document::EarlierVersion> kept = document::earlierVersions();
    ASSERT_EQ(kept.size(), document::kKeptVersions);
    for (int i = 0; i < kept.size(); ++i) {
        // Newest first: the pair the last save replaced, saved by the save before it.
        const auto replaced = stories.size() - 2 - i;
        EXPECT_EQ(contents(kept[i].rtf), stories[replaced]) << i;
        EXPECT_EQ(contents(kept[i].answers), datas[replaced]) << i;
        EXPECT_EQ(QFileInfo(kept[i].story), QFileInfo(story));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther;
        EXPECT_FALSE(QFile::permissions(kept[i].rtf) & others) << "its owner's alone";
    }

    // File > Earlier Versions lists them through the dialog seam...
    const auto asked = dialogs->messages.size();
    dialogs->answerChoice(kept.size() - 1);
    trigger("mnuFileVersions");
    ASSERT_EQ(dialogs->choices.size(), 1u);
    const ui::ChoiceRequest& list = dialogs->choices.front();
    EXPECT_EQ(list.title, QStringLiteral("Kithtale - Earlier Versions"));
    EXPECT_EQ(list.columns, (QStringList{QStringLiteral("Story"), QStringLiteral("Saved on"),
                                         QStringLiteral("At"), QStringLiteral("Size")}));
    EXPECT_EQ(list.acceptText, QStringLiteral("&Open"));
    EXPECT_TRUE(list.text.contains(QDir::toNativeSeparators(document::earlierVersionsFolder())))
        << "where their answers are";
    ASSERT_EQ(list.rows.size(), kept.size());
    const QLocale locale;
    EXPECT_EQ(list.rows.front(),
              (QStringList{QStringLiteral("Story.rtf"),
                           locale.toString(kept.front().saved.date(), QLocale::LongFormat),
                           locale.toString(kept.front().saved.time(), QLocale::ShortFormat),
                           locale.formattedDataSize(kept.front().size, 0,
                                                    QLocale::DataSizeTraditionalFormat)}));
    EXPECT_FALSE(list.rows.front().back().contains(QStringLiteral("iB")))
        << "no binary prefixes: " << list.rows.front().back().toStdString();

    // ...and opens the one chosen as a new, unsaved document; the story's file stays.
    EXPECT_TRUE(txt()->Text().contains(QStringLiteral("Revision 2.")));
    EXPECT_FALSE(txt()->Text().contains(QStringLiteral("Revision 3.")));
    EXPECT_TRUE(editor()->documentModified());
    EXPECT_EQ(editor()->windowTitle(), QStringLiteral("Kithtale - Text Editor"));
    EXPECT_EQ(contents(story), stories.back());
    EXPECT_EQ(dialogs->messages.size(), asked) << "nothing unsaved was there to ask about";

    // Save then asks for a name, offering the story's own.
    trigger("mnuFileSave");
    dialogs->answerSave(std::nullopt);
    pressNoteOk();
    ASSERT_EQ(dialogs->saves.size(), 2u);
    EXPECT_EQ(dialogs->saves.back().initialName, story);
}

TEST_F(EarlierVersions, WithNoneKeptTheUserIsToldWhyInsteadOfAnEmptyList) {
    openEditor();
    dialogs->answerMessage(MsgButton::Ok);
    trigger("mnuFileVersions");
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages.back().title, QStringLiteral("Kithtale - Earlier Versions"));
    EXPECT_TRUE(
        dialogs->messages.back().text.contains(QStringLiteral("the last 10 of each story")));
    EXPECT_TRUE(dialogs->choices.empty());
}

} // namespace

// File > Print to a PDF file under faults. Each time the user is told once what could not be
// printed and why, the document stays as it was, and a PDF printed before stays whole.
#include "fault/fault_support.h"

#include "gui/editor_fixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kt;
using namespace kt::fault;
using kt::ui::MsgButton;

namespace {

class EditorPrintFaults : public test::EditorFixture {};

TEST_F(EditorPrintFaults, TheUserIsToldAndAnEarlierPdfStaysWhole) {
    fillAnswers(state().answers, 1, 500);
    openEditor();
    const QString folder = path(QStringLiteral("album"));
    const QString pdf = folder + QStringLiteral("/Story.pdf");
    ASSERT_TRUE(QDir().mkpath(folder));
    dialogs->answerPrinter(pdf);
    trigger("mnuFilePrint");
    const QByteArray good = fileBytes(pdf);
    ASSERT_TRUE(good.startsWith("%PDF") && good.trimmed().endsWith("%%EOF"));
    const QString text = txt()->Text();

    const auto limit = [](long long bytes) {
        return [bytes]() -> std::function<void()> {
            auto fileSize = std::make_shared<FileSizeLimit>(bytes);
            EXPECT_TRUE(fileSize->active());
            return [fileSize]() mutable { fileSize.reset(); };
        };
    };
    const struct {
        const char* name;
        std::function<std::function<void()>()> inject;
        const char* reason;
    } cases[] = {
        {"read-only folder",
         [&folder]() -> std::function<void()> {
             QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
             auto obey = std::make_shared<ObeyFilePermissions>();
             EXPECT_FALSE(canCreateIn(folder)) << "the folder is not read-only";
             return [obey, &folder]() mutable {
                 obey.reset();
                 QFile::setPermissions(folder,
                                       QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
             };
         },
         "ermission denied"},
        {"full disk before the first byte", limit(0), "too large"},
        {"full disk one byte short", limit(good.size() - 1), "too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs->answerPrinter(pdf);
        dialogs->answerMessage(MsgButton::Ok);
        const std::size_t messages = dialogs->messages.size();
        const std::function<void()> heal = c.inject();
        trigger("mnuFilePrint");
        heal();

        ASSERT_EQ(dialogs->messages.size(), messages + 1);
        const ui::MessageRequest& m = dialogs->messages.back();
        EXPECT_EQ(m.title, QStringLiteral("Kithtale"));
        EXPECT_TRUE(m.text.contains(pdf)) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(QStringLiteral("Reason: ")));
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.reason))) << m.text.toStdString();
        EXPECT_EQ(fileBytes(pdf), good);
        EXPECT_EQ(folderEntries(folder), QStringList{QStringLiteral("Story.pdf")});
        EXPECT_EQ(txt()->Text(), text);
        EXPECT_TRUE(editor()->documentModified());
    }
}

} // namespace

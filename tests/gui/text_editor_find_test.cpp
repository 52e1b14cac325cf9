// Find and Find Next in the text editor window.
#include "editor_fixture.h"
#include "windows/document/text_search.h"

using namespace kt;
using namespace kt::ui;

namespace {

class FindTest : public kt::test::EditorFixture {
protected:
    void find(const std::optional<QString>& entry) {
        dialogs->answerInput(entry);
        trigger("mnuEditFind");
    }
    void findNext() { trigger("mnuEditFindNext"); }
    std::pair<qsizetype, qsizetype> selection() const {
        return {txt()->SelStart(), txt()->SelLength()};
    }
    static MessageRequest notFound() {
        return {QStringLiteral("The search string was not found."), QStringLiteral("Find"),
                MsgIcon::Information, MsgButton::Ok, MsgButton::Ok};
    }
    static MessageRequest completed() {
        return {QStringLiteral("The search has been completed."), QStringLiteral("Find Next"),
                MsgIcon::Information, MsgButton::Ok, MsgButton::Ok};
    }
};

TEST_F(FindTest, FindOfChildhoodSelectsTheHeading) {
    openEditor();
    find(QStringLiteral("childhood"));
    ASSERT_EQ(dialogs->inputs.size(), 1u);
    EXPECT_EQ(dialogs->inputs[0],
              (InputRequest{QStringLiteral("Find what?"), QStringLiteral("Find"), QString()}));
    const QString text = txt()->Text();
    EXPECT_EQ(txt()->SelStart(), text.indexOf(QStringLiteral("CHILDHOOD:")));
    EXPECT_EQ(txt()->SelLength(), 9);
    EXPECT_EQ(txt()->SelText(), QStringLiteral("CHILDHOOD"));
    EXPECT_EQ(editor()->searchText(), QStringLiteral("childhood"));
}

TEST_F(FindTest, CancelOrEmptyEntryPutsTheInsertionPointAtTheStart) {
    openEditor();
    for (const std::optional<QString>& entry :
         {std::optional<QString>(), std::optional(QString())}) {
        txt()->select(40, 6);
        const std::size_t before = dialogs->messages.size();
        find(entry);
        EXPECT_EQ(selection(), std::make_pair(qsizetype(0), qsizetype(0)));
        EXPECT_EQ(dialogs->messages.size(), before) << "no message";
        EXPECT_EQ(editor()->searchText(), QString());
    }
}

TEST_F(FindTest, NotFoundLeavesTheSelectionAndSays) {
    openEditor();
    txt()->select(10, 4);
    dialogs->answerMessage(MsgButton::Ok);
    find(QStringLiteral("zebra crossing"));
    EXPECT_EQ(dialogs->messages.back(), notFound());
    EXPECT_EQ(selection(), std::make_pair(qsizetype(10), qsizetype(4)));
}

TEST_F(FindTest, FindNextAfterTheOnlyOccurrenceCompletesAndKeepsIt) {
    openEditor();
    find(QStringLiteral("thank you"));
    ASSERT_EQ(selection(), std::make_pair(qsizetype(0), qsizetype(9)));
    dialogs->answerMessage(MsgButton::Ok);
    findNext();
    EXPECT_EQ(dialogs->messages.back(), completed());
    EXPECT_EQ(selection(), std::make_pair(qsizetype(0), qsizetype(9)));
}

TEST_F(FindTest, FourEqualLettersWalkOneCharacterAtATime) {
    openEditor();
    txt()->setText(QStringLiteral("aaaa"));
    find(QStringLiteral("AA"));
    EXPECT_EQ(selection(), std::make_pair(qsizetype(0), qsizetype(2)));
    findNext();
    EXPECT_EQ(selection(), std::make_pair(qsizetype(1), qsizetype(2)));
    findNext();
    EXPECT_EQ(selection(), std::make_pair(qsizetype(2), qsizetype(2)));
    dialogs->answerMessage(MsgButton::Ok);
    findNext();
    EXPECT_EQ(dialogs->messages.back(), completed());
    EXPECT_EQ(selection(), std::make_pair(qsizetype(2), qsizetype(2)));
    // No wrap-around: the same message again.
    dialogs->answerMessage(MsgButton::Ok);
    findNext();
    EXPECT_EQ(dialogs->messages.back(), completed());
}

TEST_F(FindTest, FindNextWithoutAnyFindStepsRightUntilThePastTheEnd) {
    openEditor();
    txt()->setText(QStringLiteral("ab\r\nc"));
    txt()->setSelStart(0);
    findNext();
    EXPECT_EQ(selection(), std::make_pair(qsizetype(1), qsizetype(0)));
    findNext();
    EXPECT_EQ(selection(), std::make_pair(qsizetype(2), qsizetype(0)));
    // A start between CR and LF is not a place in the document: it lands after the break.
    findNext();
    EXPECT_EQ(selection(), std::make_pair(qsizetype(4), qsizetype(0)));
    EXPECT_EQ(dialogs->messages.size(), 1u) << "only the reminder so far";
    dialogs->answerMessage(MsgButton::Ok);
    findNext();
    EXPECT_EQ(dialogs->messages.back(), completed());
    EXPECT_EQ(selection(), std::make_pair(qsizetype(4), qsizetype(0)));
}

TEST_F(FindTest, FindNextStartsFromTheCurrentSelectionNotTheLastMatch) {
    openEditor();
    txt()->setText(QStringLiteral("apple pie and apple tart, then a pear"));
    find(QStringLiteral("apple"));
    txt()->setSelStart(20);
    dialogs->answerMessage(MsgButton::Ok);
    findNext();
    EXPECT_EQ(dialogs->messages.back(), completed()) << "occurrences before it do not count";
    txt()->setSelStart(3);
    findNext();
    EXPECT_EQ(selection(), std::make_pair(qsizetype(14), qsizetype(5)));
}

// Far into a long document of many lines, a match selects exactly the characters found.
TEST_F(FindTest, AMatchFarIntoAManyLineDocumentSelectsExactlyItsCharacters) {
    openEditor();
    QString text;
    for (int i = 0; i < 6000; ++i)
        text += QStringLiteral("Line %1 of a long story about the family.\r\n").arg(i);
    text += QStringLiteral("The very last line names Great-Aunt Ülla");
    txt()->setText(text);
    ASSERT_EQ(txt()->Text(), text);
    ASSERT_GT(text.size(), 200000);

    find(QStringLiteral("great-aunt üLLA"));
    const qsizetype expected = text.indexOf(QStringLiteral("Great-Aunt"));
    EXPECT_GT(expected, 32767);
    EXPECT_EQ(selection(), std::make_pair(expected, qsizetype(15)));
    EXPECT_EQ(txt()->SelText(), QStringLiteral("Great-Aunt Ülla"));

    // And one just past 32767 in the middle of the document.
    const qsizetype mid = text.indexOf(QStringLiteral("Line 800 "));
    ASSERT_GT(mid, 32767);
    find(QStringLiteral("line 800 of"));
    EXPECT_EQ(selection(), std::make_pair(mid, qsizetype(11)));
    EXPECT_EQ(txt()->SelText(), QStringLiteral("Line 800 of"));
    // Find Next over the rest of the text: a line ending and the next line's start.
    find(QStringLiteral("family.\r\nline 5999"));
    const qsizetype last = text.indexOf(QStringLiteral("family.\r\nLine 5999"));
    EXPECT_EQ(selection(), std::make_pair(last, qsizetype(18)));
    txt()->setSelStart(mid);
    findNext();
    EXPECT_EQ(selection(), std::make_pair(last, qsizetype(18)));
    EXPECT_EQ(txt()->SelText(), QStringLiteral("family.\r\nLine 5999"));
}

TEST(TextSearch, FoldsCaseOneUnitAtATimeAndKeepsPositions) {
    struct Case {
        const char* haystack;
        const char* needle;
        qsizetype from;
        qsizetype expected;
    };
    const Case cases[] = {
        {"Hello World", "world", 0, 6},
        {"Hello World", "WORLD", 7, -1},
        {"École, école", "ÉCOLE", 1, 7},
        {"ΣΟΦΙΑ σοφία", "σοφια", 0, 0},
        {"Straße STRASSE", "strasse", 0, 7},
        {"abc", "", 2, 2},
        {"abc", "", 3, -1},
        {"", "", 0, -1},
        {"aaaa", "aa", 3, -1},
        {"x\r\ny", "\r\ny", 0, 1},
        {"aaaa", "aa", 1, 1},
        {"abababca", "ABABC", 0, 2},
        {"xaaaab aaab", "aaab", 3, 7},
    };
    document::TextSearch search;
    quint64 revision = 0;
    for (const Case& c : cases) {
        const QString haystack = QString::fromUtf8(c.haystack);
        EXPECT_EQ(search.find(haystack, ++revision, QString::fromUtf8(c.needle), c.from),
                  c.expected)
            << c.haystack << " / " << c.needle;
        EXPECT_EQ(document::TextSearch::fold(haystack).size(), haystack.size());
    }
}

// A long needle in a long run of one letter: found where it starts, or not at all.
TEST(TextSearch, ALongNeedleInALongRun) {
    const QString run = QString(100000, QLatin1Char('-')) + QStringLiteral("x");
    document::TextSearch search;
    EXPECT_EQ(search.find(run, 1, QString(500, QLatin1Char('-')) + QLatin1Char('X'), 0), 99500);
    EXPECT_EQ(search.find(run, 1, QLatin1Char('x') + QString(500, QLatin1Char('-')), 0), -1);
    EXPECT_EQ(search.find(run, 1, QString(500, QLatin1Char('-')), 99600), -1);
    EXPECT_EQ(search.find(run, 1, QString(500, QLatin1Char('-')), 99499), 99499);
}

TEST(TextSearch, ARevisionChangeRefoldsTheText) {
    document::TextSearch search;
    EXPECT_EQ(search.find(QStringLiteral("abc"), 1, u"C", 0), 2);
    EXPECT_EQ(search.find(QStringLiteral("xyz"), 2, u"Z", 0), 2);
    EXPECT_EQ(search.find(QStringLiteral("xyz"), 2, u"c", 0), -1);
}

} // namespace

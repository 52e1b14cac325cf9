// Spelling marks in the answer boxes and the editor: a view only, never a change or a saved
// format; suggestions and Ignore from the context menu; nothing without a dictionary.
#include "editor_fixture.h"
#include "questionnaire_fixture.h"
#include "ui/spell_marker.h"
#include "ui/speller.h"

#include <QLocale>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <memory>

namespace kt::test {
namespace {

using ui::Speller;
using ui::SpellMarker;

const QString kDictionaries = QStringLiteral(KITHTALE_TEST_DATA_DIR "/spelling");

std::unique_ptr<Speller> testSpeller(const QString& name = QStringLiteral("en_TEST")) {
    return std::make_unique<Speller>(kDictionaries + u'/' + name + QStringLiteral(".aff"),
                                     kDictionaries + u'/' + name + QStringLiteral(".dic"));
}

// The words a control marks, in order.
template <class Edit> QStringList markedWords(Edit* edit) {
    QStringList words;
    for (const QTextEdit::ExtraSelection& s : edit->extraSelections())
        if (s.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            words << s.cursor.selectedText();
    return words;
}

void waitForMarks(QWidget* control) {
    auto* marker = control->findChild<SpellMarker*>();
    ASSERT_NE(marker, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([marker] { return !marker->busy(); }, 10000));
}

QStringList actionTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* a : menu.actions())
        texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return texts;
}

// The context menu a control would show at the word starting at `position`, past one item
// standing for the control's own.
template <class Edit> std::unique_ptr<QMenu> menuAt(Edit* edit, int position) {
    auto menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("Own"));
    QTextCursor c(edit->document());
    c.setPosition(position + 1);
    edit->template findChild<SpellMarker*>()->addToMenu(*menu, edit->cursorRect(c).center());
    return menu;
}

QAction* actionNamed(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

TEST(Speller, ChecksAndSuggestsFromItsDictionaryAndIgnoresForTheRun) {
    auto speller = testSpeller();
    ASSERT_TRUE(speller->hasDictionary());
    EXPECT_TRUE(speller->isCorrect(u"school"));
    EXPECT_TRUE(speller->isCorrect(u"School"));
    EXPECT_TRUE(speller->isCorrect(u"don\u2019t")) << "typographic apostrophe";
    EXPECT_FALSE(speller->isCorrect(u"scool"));
    const QStringList offered = speller->suggestions(u"scool");
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(offered.front(), QStringLiteral("school"));
    EXPECT_LE(offered.size(), 5);

    const int before = Speller::generation();
    speller->ignore(u"scool");
    EXPECT_TRUE(speller->isCorrect(u"scool"));
    EXPECT_GT(Speller::generation(), before);

    EXPECT_FALSE(Speller(kDictionaries + QStringLiteral("/no.aff"),
                         kDictionaries + QStringLiteral("/no.dic"))
                     .hasDictionary());
    Speller none;
    EXPECT_FALSE(none.hasDictionary());
    EXPECT_TRUE(none.isCorrect(u"scool"));
    EXPECT_TRUE(none.suggestions(u"scool").isEmpty());
}

TEST(Speller, SpeaksTheDictionarysOwnEncoding) {
    auto latin1 = testSpeller(QStringLiteral("fr_TEST")); // SET ISO8859-1
    ASSERT_TRUE(latin1->hasDictionary());
    EXPECT_TRUE(latin1->isCorrect(u"caf\u00e9"));
    EXPECT_TRUE(latin1->isCorrect(u"na\u00efve"));
    EXPECT_FALSE(latin1->isCorrect(u"cafe"));
    EXPECT_EQ(latin1->suggestions(u"resume").value(0), QStringLiteral("r\u00e9sum\u00e9"));
    EXPECT_TRUE(latin1->isCorrect(u"\u0436\u0443\u043a")) << "not writable in it: not judged";
}

TEST(Speller, TakesTheUsersLanguageElseAmericanEnglishElseNone) {
    QTemporaryDir dir;
    const auto put = [&](const QString& name, const QByteArray& words) {
        QFile::copy(kDictionaries + QStringLiteral("/en_TEST.aff"),
                    dir.filePath(name + QStringLiteral(".aff")));
        QFile dic(dir.filePath(name + QStringLiteral(".dic")));
        ASSERT_TRUE(dic.open(QIODevice::WriteOnly));
        dic.write(words);
    };
    put(QStringLiteral("en_US"), "1\nschool\n");
    put(QStringLiteral("de_DE"), "1\nschule\n");
    EXPECT_TRUE(Speller::forLocale(QStringLiteral("de_DE"), {dir.path()})->isCorrect(u"schule"));
    EXPECT_TRUE(Speller::forLocale(QStringLiteral("de_AT"), {dir.path()})->isCorrect(u"schule"))
        << "another dictionary of the same language";
    EXPECT_TRUE(Speller::forLocale(QStringLiteral("fr_FR"), {dir.path()})->isCorrect(u"school"));
    EXPECT_FALSE(Speller::forLocale(QStringLiteral("fr_FR"), {dir.path()})->isCorrect(u"schule"));
    EXPECT_FALSE(Speller::forLocale(QStringLiteral("C"), {dir.path() + QStringLiteral("/none")})
                     ->hasDictionary());
}

// The user's dictionary read in the background is the one current() hands out, and a speller
// installed while it is read wins.
TEST(Speller, ABackgroundLoadGivesWayToAnInstalledSpeller) {
    Speller::install(nullptr);
    Speller::loadInBackground();
    Speller::install(testSpeller());
    EXPECT_FALSE(Speller::current().isCorrect(u"scool"));
    EXPECT_TRUE(Speller::current().isCorrect(u"creek"));
    Speller::install(nullptr);
    Speller::loadInBackground();
    const bool loaded = Speller::current().hasDictionary();
    EXPECT_EQ(loaded,
              Speller::forLocale(QLocale::system().name(), {QStringLiteral("/usr/share/hunspell")})
                  ->hasDictionary());
    Speller::install(nullptr);
}

TEST(Speller, WordsLeaveOutNumbersAddressesAndPaths) {
    const QString text =
        QStringLiteral("We don't e-mail me@home.org, x2 or C:\\temp at www.example.com.  'Ok'");
    QStringList words;
    Speller::forEachWord(text, [&](int s, int n) { words << text.mid(s, n); });
    EXPECT_EQ(words,
              (QStringList{QStringLiteral("We"), QStringLiteral("don't"), QStringLiteral("e"),
                           QStringLiteral("mail"), QStringLiteral("or"), QStringLiteral("C"),
                           QStringLiteral("at"), QStringLiteral("Ok")}));
}

class SpellingPage : public QuestionnaireFixture {
protected:
    void SetUp() override {
        QuestionnaireFixture::SetUp();
        Speller::install(testSpeller());
    }
    void TearDown() override {
        QuestionnaireFixture::TearDown();
        Speller::install(nullptr);
    }
    questionnaire::AnswerBox* openCarPage(const std::string& car, const std::string& when = {}) {
        state().answers.setText({SectionId::FirstCar, "Car"}, car);
        state().answers.setText({SectionId::FirstCar, "WhenGet"}, when);
        openPage(QStringLiteral("frmFirstCar"));
        waitForMarks(box(QStringLiteral("frmFirstCar"), "Car"));
        return box(QStringLiteral("frmFirstCar"), "Car");
    }
    questionnaire::Modified modifiedFlag() const {
        return page(QStringLiteral("frmFirstCar"))->modifiedFlag();
    }
};

TEST_F(SpellingPage, MarksAsTheUserTypesWithoutAChangeOfTheAnswer) {
    auto* car = openCarPage("we walked to scool\r\nall day");
    EXPECT_EQ(markedWords(car), QStringList{QStringLiteral("scool")});
    EXPECT_EQ(modifiedFlag(), questionnaire::Modified::No) << "marking is not an edit";
    EXPECT_FALSE(car->document()->isUndoAvailable());
    EXPECT_FALSE(car->document()->isModified());

    car->moveCursor(QTextCursor::End);
    QTest::keyClicks(car, QStringLiteral(" wiht bees"));
    waitForMarks(car);
    EXPECT_EQ(markedWords(car), (QStringList{QStringLiteral("scool"), QStringLiteral("wiht")}));

    click(QStringLiteral("frmFirstCar"), QStringLiteral("cmdSave"));
    EXPECT_EQ(state().answers.text({SectionId::FirstCar, "Car"}),
              "we walked to scool\r\nall day wiht bees");
}

TEST_F(SpellingPage, MenuOffersSuggestionsThatReplaceTheWordAndIgnoreThatClearsEveryMark) {
    auto* car = openCarPage("we went to scool", "scool day");
    auto* when = box(QStringLiteral("frmFirstCar"), "WhenGet");
    waitForMarks(when);
    ASSERT_EQ(markedWords(when), QStringList{QStringLiteral("scool")});

    EXPECT_EQ(actionTexts(*menuAt(car, 3)), QStringList{QStringLiteral("Own")})
        << "nothing for a correct word";
    const auto menu = menuAt(car, 11);
    const QStringList texts = actionTexts(*menu);
    ASSERT_GE(texts.size(), 4);
    EXPECT_EQ(texts.front(), QStringLiteral("school"));
    EXPECT_LE(texts.size(), 5 + 3);
    EXPECT_EQ(texts.mid(texts.size() - 3),
              (QStringList{QStringLiteral("Ignore"), QStringLiteral("|"), QStringLiteral("Own")}));

    menu->actions().front()->trigger();
    EXPECT_EQ(car->toPlainText(), QStringLiteral("we went to school"));
    EXPECT_EQ(car->textCursor().position(), 17);
    waitForMarks(car);
    EXPECT_TRUE(markedWords(car).isEmpty());
    EXPECT_EQ(modifiedFlag(), questionnaire::Modified::Yes) << "a chosen suggestion is an edit";
    EXPECT_TRUE(car->document()->isUndoAvailable());

    QTest::keyClicks(car, QStringLiteral(" scool"));
    waitForMarks(car);
    ASSERT_EQ(markedWords(car), QStringList{QStringLiteral("scool")});
    const auto whenMenu = menuAt(when, 0);
    QAction* ignore = actionNamed(*whenMenu, QStringLiteral("Ignore"));
    ASSERT_NE(ignore, nullptr);
    ignore->trigger();
    waitForMarks(car);
    waitForMarks(when);
    EXPECT_TRUE(markedWords(car).isEmpty()) << "ignored in every box";
    EXPECT_TRUE(markedWords(when).isEmpty());
    EXPECT_EQ(when->toPlainText(), QStringLiteral("scool day"));
}

TEST_F(SpellingPage, NoDictionaryNoMarksAndAnUnchangedMenu) {
    auto* car = openCarPage("we walked to scool");
    ASSERT_EQ(markedWords(car), QStringList{QStringLiteral("scool")});
    Speller::install(std::make_unique<Speller>());
    waitForMarks(car);
    EXPECT_TRUE(markedWords(car).isEmpty());
    QTest::keyClicks(car, QStringLiteral(" wiht"));
    waitForMarks(car);
    EXPECT_TRUE(markedWords(car).isEmpty());
    EXPECT_EQ(actionTexts(*menuAt(car, 13)), QStringList{QStringLiteral("Own")});
    EXPECT_EQ(modifiedFlag(), questionnaire::Modified::Yes);
}

class SpellingEditor : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        Speller::install(testSpeller());
    }
    void TearDown() override {
        EditorFixture::TearDown();
        Speller::install(nullptr);
    }
};

TEST_F(SpellingEditor, MarksTheStoryButNeverSavesAMarkNorCountsItAsAChange) {
    state().answers.setText({SectionId::Childhood, "GrowUp"},
                            "grandpa kept bees by the creek scool");
    openEditor();
    waitForMarks(txt());
    EXPECT_TRUE(markedWords(txt()).contains(QStringLiteral("scool")));
    EXPECT_FALSE(markedWords(txt()).contains(QStringLiteral("creek")));

    const QString file = path(QStringLiteral("Story.rtf"));
    trigger("mnuFileSave");
    dialogs->answerSave(file);
    pressNoteOk();
    ASSERT_FALSE(editor()->documentModified());
    const int undoSteps = txt()->document()->availableUndoSteps();

    // Marked afresh after the save: still unmodified, no undo step, no character format.
    Speller::install(testSpeller());
    waitForMarks(txt());
    EXPECT_TRUE(markedWords(txt()).contains(QStringLiteral("scool")));
    EXPECT_FALSE(editor()->documentModified());
    EXPECT_EQ(txt()->document()->availableUndoSteps(), undoSteps);
    txt()->select(txt()->Text().indexOf(QStringLiteral("scool")) + 1, 0);
    EXPECT_FALSE(txt()->selectionFormat().underline);

    trigger("mnuFileSave");
    const QByteArray rtf = contents(file);
    ASSERT_TRUE(rtf.contains("scool"));
    EXPECT_FALSE(rtf.contains("\\ul")) << "no underline of any kind in the saved story";
    const QByteArray dat = contents(path(QStringLiteral("Story.dat")));
    EXPECT_TRUE(dat.contains("\"grandpa kept bees by the creek scool\""));
    EXPECT_FALSE(editor()->documentModified());
}

// The marks hold cursors into the document: a document that Open replaces must take its marks
// with it, whether they came from the composition or from typing.
TEST_F(SpellingEditor, OpeningAFileWithMarksOnScreenKeepsTheEditorAlive) {
    const QString file = path(QStringLiteral("Other.rtf"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\\rtf1\\ansi we went to scool\\par}");
    }
    state().answers.setText({SectionId::Childhood, "GrowUp"}, "scool day");
    openEditor();
    waitForMarks(txt());
    ASSERT_TRUE(markedWords(txt()).contains(QStringLiteral("scool")));
    txt()->setSelStart(0);
    txt()->setSelText(QStringLiteral("EDITMARK "));
    waitForMarks(txt());
    ASSERT_TRUE(markedWords(txt()).contains(QStringLiteral("EDITMARK")));

    for (int round = 0; round < 2; ++round) {
        dialogs->answerMessage(ui::MsgButton::No);
        dialogs->answerOpen(file);
        trigger("mnuFileOpen");
        waitForMarks(txt());
        EXPECT_EQ(txt()->Text(), QStringLiteral("we went to scool"));
        EXPECT_EQ(markedWords(txt()), QStringList{QStringLiteral("scool")});
        for (const QTextEdit::ExtraSelection& s : txt()->extraSelections())
            EXPECT_EQ(s.cursor.document(), txt()->document());
        txt()->setSelStart(0);
        txt()->setSelText(QStringLiteral("x"));
    }
}

} // namespace
} // namespace kt::test

// The answer pages: binding, layout, the modified flag, Save, Return and the answer boxes.
#include "core/answer_data_file.h"
#include "core/program_state.h"
#include "questionnaire_fixture.h"
#include "windows/common/look.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <functional>
#include <map>
#include <set>

using namespace kt;
using namespace kt::ui;
using namespace kt::windows;
using namespace kt::questionnaire;
using kt::test::allPages;
using kt::test::confirmExitRequest;
using kt::test::entriesOn;
using kt::test::qs;

namespace {

MessageRequest saveChangesRequest() {
    return {QStringLiteral("Do you want to save your changes?"), QStringLiteral("Save Changes"),
            MsgIcon::Exclamation, MsgButton::Yes | MsgButton::No, MsgButton::Yes};
}

class AnswerPageTest : public kt::test::QuestionnaireFixture {};

// Tab orders that are not the catalog's ordinal order.
const std::map<QString, QStringList> kTabOrders = {
    {QStringLiteral("frmChildhood1"),
     {QStringLiteral("GrowUp"), QStringLiteral("Toys"), QStringLiteral("Games"),
      QStringLiteral("Hobbies"), QStringLiteral("Lived")}},
    {QStringLiteral("frmChildhood2"),
     {QStringLiteral("School"), QStringLiteral("Friends"), QStringLiteral("Differences"),
      QStringLiteral("Siblings"), QStringLiteral("Parents")}},
    {QStringLiteral("frmMilitary2"),
     {QStringLiteral("Where"), QStringLiteral("Friends"), QStringLiteral("People"),
      QStringLiteral("Events")}},
};

// Pages with a full-width strip, and the question in it.
const std::map<QString, QString> kStrips = {
    {QStringLiteral("frmChildhood1"), QStringLiteral("Lived")},
    {QStringLiteral("frmChildhood2"), QStringLiteral("Parents")},
    {QStringLiteral("frmHighSch1"), QStringLiteral("Clubs")},
    {QStringLiteral("frmHighSch2"), QStringLiteral("AfterGrad")},
    {QStringLiteral("frmFirstCar"), QStringLiteral("Getting")},
    {QStringLiteral("frmVolun1"), QStringLiteral("Skills")},
    {QStringLiteral("frmJobs"), QStringLiteral("Dream")},
    {QStringLiteral("frmMilitary1"), QStringLiteral("Duties")},
    {QStringLiteral("frmWedding1"), QStringLiteral("Size")},
    {QStringLiteral("frmTravel2"), QStringLiteral("Free")},
    {QStringLiteral("frmLife1"), QStringLiteral("Advice")},
    {QStringLiteral("frmLife2"), QStringLiteral("Hobbies")},
};

QRect inWindow(const QWidget* w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

TEST_F(AnswerPageTest, EveryPageBindsEachOfItsQuestionsOnceWithLabelsAndTabOrder) {
    enterMainMenu();
    std::set<std::pair<SectionId, QString>> bound;
    const auto pages = allPages();
    ASSERT_EQ(pages.size(), 19u);
    for (const auto& ref : pages) {
        SCOPED_TRACE(ref.name.toStdString());
        auto& w = program->windows().get(ref.name);
        const QString section = qs(QuestionCatalog::instance().section(ref.section).displayName);
        EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("Kithtale - ") + section));

        const auto entries = entriesOn(ref.name);
        ASSERT_GE(entries.size(), 3u);
        ASSERT_LE(entries.size(), 5u);
        EXPECT_EQ(w.findChildren<AnswerBox*>().size(), static_cast<qsizetype>(entries.size()))
            << "no box beyond the page's questions";
        for (const CatalogEntry* e : entries) {
            const QString stem = qs(e->key.stem);
            auto* box = w.findChild<AnswerBox*>(QStringLiteral("txt") + stem);
            ASSERT_NE(box, nullptr) << stem.toStdString();
            EXPECT_TRUE(bound.insert({e->section(), stem}).second) << "bound twice";
            EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            EXPECT_TRUE(box->tabChangesFocus());
            EXPECT_GE(box->font().pointSizeF(), 11.0) << "readable answers";

            QString labelName = QStringLiteral("lbl") + stem;
            if (e->key == QuestionKey{SectionId::Volunteering, "Volun"})
                labelName = QStringLiteral("lblVolunteer");
            if (e->key == QuestionKey{SectionId::College, "WhereWent"})
                labelName = QStringLiteral("lblWhereWhen");
            auto* label = w.findChild<QLabel*>(labelName);
            ASSERT_NE(label, nullptr) << labelName.toStdString();
            QString text = qs(e->text);
            if (e->key == QuestionKey{SectionId::Childhood, "Lived"})
                text = QStringLiteral("Where did you live grow- ing up?  If you moved during your "
                                      "childhood, which home was your favorite, and why?");
            if (e->key == QuestionKey{SectionId::College, "Graduate"})
                text = QStringLiteral("Did you graduate from college?  If yes, when? Did you go "
                                      "through the ceremony? Who was there to watch you?  Do you "
                                      "remember anything specific about the ceremony?");
            EXPECT_EQ(label->text(), text);
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            EXPECT_EQ(label->font().family(), QStringLiteral("Arial"));
            EXPECT_TRUE(label->font().bold());
            EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 9.75);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), look::navy());
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << "text cut off";
            EXPECT_EQ(label->parentWidget(), box->parentWidget()) << "same group box";
            EXPECT_LT(inWindow(label).bottom(), inWindow(box).top()) << "label above its box";
        }

        QStringList expected;
        if (auto it = kTabOrders.find(ref.name); it != kTabOrders.end())
            for (const QString& stem : it->second)
                expected << QStringLiteral("txt") + stem;
        else
            for (const CatalogEntry* e : entries)
                expected << QStringLiteral("txt") + qs(e->key.stem);
        expected << QStringLiteral("cmdPhotos") << QStringLiteral("cmdSave")
                 << QStringLiteral("cmdReturn") << expected.front();
        auto* first = w.findChild<QWidget*>(QStringLiteral("txt") + qs(entries.front()->key.stem));
        EXPECT_EQ(tabWalk(first, static_cast<int>(expected.size())), expected);
    }
    EXPECT_EQ(bound.size(), kQuestionCount);
}

TEST_F(AnswerPageTest, EveryPageIsArrangedInColumnsAndAStripAndFitsTheScreen) {
    enterMainMenu();
    for (const auto& ref : allPages()) {
        SCOPED_TRACE(ref.name.toStdString());
        auto& w = program->windows().get(ref.name);
        // A frame and title bar of up to 8 + 40 pixels must still fit 1024 x 768.
        EXPECT_LE(w.width() + 16, 1024);
        EXPECT_LE(w.height() + 48, 768);
        EXPECT_GE(w.width(), 800) << "generous boxes";

        auto* save = w.findChild<QPushButton*>(QStringLiteral("cmdSave"));
        auto* ret = w.findChild<QPushButton*>(QStringLiteral("cmdReturn"));
        ASSERT_TRUE(save && ret);
        EXPECT_EQ(save->text(), QStringLiteral("&Save"));
        EXPECT_EQ(ret->text(), QStringLiteral("&Return"));
        EXPECT_FALSE(save->isDefault() || save->autoDefault() || ret->isDefault() ||
                     ret->autoDefault());

        auto* left = w.findChild<QGroupBox*>(QStringLiteral("Frame1"));
        auto* right = w.findChild<QGroupBox*>(QStringLiteral("Frame2"));
        auto* strip = w.findChild<QGroupBox*>(QStringLiteral("Frame3"));
        ASSERT_TRUE(left && right);
        const QRect client = w.rect();
        for (QGroupBox* f : {left, right, strip}) {
            if (!f)
                continue;
            EXPECT_TRUE(f->title().isEmpty());
            EXPECT_TRUE(client.contains(f->geometry()));
            const auto boxes = f->findChildren<AnswerBox*>();
            EXPECT_GE(boxes.size(), 1);
            EXPECT_LE(boxes.size(), f == strip ? 1 : 2);
            for (auto* b : boxes)
                EXPECT_TRUE(f->rect().contains(b->geometry()));
        }
        EXPECT_LT(left->geometry().right(), right->geometry().left());
        EXPECT_EQ(left->geometry().top(), right->geometry().top());
        auto* photos = w.findChild<QPushButton*>(QStringLiteral("cmdPhotos"));
        ASSERT_NE(photos, nullptr);
        EXPECT_EQ(photos->text(), QStringLiteral("&Photos..."));
        EXPECT_TRUE(client.contains(photos->geometry()));
        for (auto* b : {save, ret, photos})
            for (QWidget* f : {static_cast<QWidget*>(left), static_cast<QWidget*>(right),
                               static_cast<QWidget*>(strip), static_cast<QWidget*>(save),
                               static_cast<QWidget*>(ret)})
                if (f && f != b) {
                    EXPECT_FALSE(f->geometry().intersects(b->geometry()))
                        << b->objectName().toStdString() << " on " << f->objectName().toStdString();
                }

        const auto stripIt = kStrips.find(ref.name);
        ASSERT_EQ(strip != nullptr, stripIt != kStrips.end());
        if (strip) {
            EXPECT_NE(strip->findChild<AnswerBox*>(QStringLiteral("txt") + stripIt->second),
                      nullptr);
            EXPECT_GT(strip->geometry().top(), left->geometry().bottom());
            EXPECT_GT(strip->geometry().top(), right->geometry().bottom());
            EXPECT_GT(strip->width(), left->width() + right->width() / 2) << "full width";
            // Save above Return, to the right of the strip.
            EXPECT_GT(save->x(), strip->geometry().right());
            EXPECT_EQ(save->x(), ret->x());
            EXPECT_LT(save->geometry().bottom(), ret->y());
            EXPECT_GE(save->y(), strip->y());
            EXPECT_LE(ret->geometry().bottom(), strip->geometry().bottom());
        } else {
            // One row under the columns, Save at the left, Return at the right.
            EXPECT_EQ(save->y(), ret->y());
            EXPECT_GT(save->y(), left->geometry().bottom());
            EXPECT_LT(save->geometry().right(), ret->x());
            EXPECT_GE(ret->geometry().right(), right->geometry().center().x());
            if (ref.name == QStringLiteral("frmCollege2"))
                EXPECT_GE(save->x(), right->x()) << "under the right column";
            else
                EXPECT_LT(save->geometry().right(), right->x()) << "under the left column";
        }
    }
}

// Where each question stands, as the columns and the strip show it.
TEST_F(AnswerPageTest, QuestionsStandInTheirColumnAndOrder) {
    enterMainMenu();
    struct Case {
        const char* page;
        const char* stem;
        const char* frame;
        int rank; // 0 upper or alone, 1 lower
    };
    const Case cases[] = {
        {"frmChildhood1", "Hobbies", "Frame2", 1},     {"frmChildhood1", "Lived", "Frame3", 0},
        {"frmChildhood2", "Differences", "Frame2", 0}, {"frmChildhood2", "Friends", "Frame1", 1},
        {"frmFirstCar", "Getting", "Frame3", 0},       {"frmFirstCar", "Length", "Frame2", 0},
        {"frmCollege2", "Graduate", "Frame2", 0},      {"frmCollege2", "Least", "Frame1", 1},
        {"frmLife2", "Hobbies", "Frame3", 0},          {"frmLife2", "Learn", "Frame2", 0},
        {"frmMilitary2", "People", "Frame2", 0},       {"frmMilitary2", "Friends", "Frame1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.page) + "." + c.stem);
        auto& w = program->windows().get(QString::fromLatin1(c.page));
        auto* b = w.findChild<AnswerBox*>(QStringLiteral("txt") + QString::fromLatin1(c.stem));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->parentWidget()->objectName(), QString::fromLatin1(c.frame));
        const auto siblings = b->parentWidget()->findChildren<AnswerBox*>();
        int rank = 0;
        for (auto* s : siblings)
            if (s->y() < b->y())
                ++rank;
        EXPECT_EQ(rank, c.rank);
    }
}

// Each row: what happens to ModifiedFlag on one event, and whether Return asks.
TEST_F(AnswerPageTest, ModifiedFlagFollowsItsTransitions) {
    using Step = std::function<void()>;
    const QString p = QStringLiteral("frmFirstCar");
    const Step edit = [&] { type(box(p, "Car"), QStringLiteral("x")); };
    const Step save = [&] { click(p, QStringLiteral("cmdSave")); };
    const Step none = [] {};
    struct Row {
        const char* name;
        Step before;
        Step event;
        const char* flag;
    };
    const Row rows[] = {
        {"activation after stored text resets", none, none, "N"},
        {"a change in any box sets", none, edit, "Y"},
        {"a change in the strip box sets", none,
         [&] { type(box(p, "Getting"), QStringLiteral("y")); }, "Y"},
        {"a change made by the program sets", none,
         [&] { box(p, "Stories")->setPlainText(QStringLiteral("z")); }, "Y"},
        {"Save resets", edit, save, "N"},
        {"Save with no edit keeps N", none, save, "N"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        state().answers.setText({SectionId::FirstCar, "Car"}, "stored");
        openPage(p);
        ASSERT_EQ(active(), window(p));
        EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::No);
        r.before();
        r.event();
        EXPECT_EQ(static_cast<char>(page(p)->modifiedFlag()), r.flag[0]);
        // Return asks exactly when modified; No keeps the flag.
        const std::size_t asked = dialogs->messages.size();
        if (page(p)->modifiedFlag() == questionnaire::Modified::Yes)
            dialogs->answerMessage(MsgButton::No);
        click(p, QStringLiteral("cmdReturn"));
        EXPECT_EQ(dialogs->messages.size() - asked, std::string_view(r.flag) == "Y" ? 1u : 0u);
        EXPECT_EQ(static_cast<char>(page(p)->modifiedFlag()), r.flag[0]);
        EXPECT_FALSE(isShown(p));
        EXPECT_EQ(active(), window(QStringLiteral("frmCarMain")));
        program->windows().destroyAll();
    }
}

TEST_F(AnswerPageTest, BeforeItsFirstActivationThePageIsNotModified) {
    enterMainMenu();
    auto& w = program->windows().get<AnswerPage>(QStringLiteral("frmJobs"));
    EXPECT_NE(w.modifiedFlag(), questionnaire::Modified::Yes);
    w.Return();
    settle();
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(active(), window(QStringLiteral("frmJobsMain")));
}

TEST_F(AnswerPageTest, ReturnAnsweredYesSavesEveryBoxAndResets) {
    const QString p = QStringLiteral("frmWedding2");
    openPage(p);
    type(box(p, "Honeymoon"), QStringLiteral("Niagara Falls"));
    dialogs->answerMessage(MsgButton::Yes);
    click(p, QStringLiteral("cmdReturn"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0], saveChangesRequest());
    EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::No);
    EXPECT_EQ(state().answers.text({SectionId::Wedding, "Honeymoon"}), "Niagara Falls");
    for (const char* stem : {"Stories", "HStories", "Advice"})
        EXPECT_TRUE(state().answers.value({SectionId::Wedding, stem}).has_value()) << stem;
    EXPECT_EQ(active(), window(QStringLiteral("frmWeddingMain")));
    EXPECT_TRUE(
        child(QStringLiteral("frmWeddingMain"), QStringLiteral("cmdHoneymoon2"))->isVisible());
}

TEST_F(AnswerPageTest, TypingOneCharacterAndDeletingItStillAsks) {
    const QString p = QStringLiteral("frmTravel1");
    state().answers.setText({SectionId::Travel, "Countries"}, "France");
    openPage(p);
    AnswerBox* b = box(p, "Countries");
    b->moveCursor(QTextCursor::End);
    QTest::keyClick(b, Qt::Key_S);
    QTest::keyClick(b, Qt::Key_Backspace);
    ASSERT_EQ(b->toPlainText(), QStringLiteral("France")) << "the box is as before";
    dialogs->answerMessage(MsgButton::No);
    click(p, QStringLiteral("cmdReturn"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0], saveChangesRequest());
}

TEST_F(AnswerPageTest, ReturnNoLeavesTheStoreAndTheNextActivationShowsTheStoredAnswers) {
    const QString p = QStringLiteral("frmLife1");
    state().answers.setText({SectionId::Life, "Goals"}, "See the sea\r\nand rest");
    openPage(p);
    EXPECT_EQ(box(p, "Goals")->toPlainText(), QStringLiteral("See the sea\nand rest"));
    const AnswerStore before = state().answers;
    type(box(p, "Change"), QStringLiteral("nothing"));
    box(p, "Goals")->setPlainText(QStringLiteral("replaced"));
    dialogs->answerMessage(MsgButton::No);
    click(p, QStringLiteral("cmdReturn"));
    EXPECT_EQ(dialogs->messages.size(), 1u);
    EXPECT_TRUE(state().answers == before) << "nothing written";
    EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::Yes);
    EXPECT_EQ(box(p, "Change")->toPlainText(), QStringLiteral("nothing"))
        << "hidden, not destroyed";

    click(QStringLiteral("frmLifeMain"), QStringLiteral("cmdChange"));
    ASSERT_EQ(active(), window(p));
    EXPECT_EQ(box(p, "Change")->toPlainText(), QString());
    EXPECT_EQ(box(p, "Goals")->toPlainText(), QStringLiteral("See the sea\nand rest"));
    EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::No);
    click(p, QStringLiteral("cmdReturn"));
    EXPECT_EQ(dialogs->messages.size(), 1u) << "not asked again";
}

TEST_F(AnswerPageTest, SaveWithNoEditsSetsUnsetSlotsToEmpty) {
    const QString p = QStringLiteral("frmFirstCar");
    openPage(p);
    for (const CatalogEntry* e : entriesOn(p))
        if (e->slotKind == SlotKind::MaybeUnset) {
            ASSERT_FALSE(state().answers.valueOf(*e).has_value());
        }
    click(p, QStringLiteral("cmdSave"));
    EXPECT_TRUE(dialogs->messages.empty()) << "Save shows nothing";
    EXPECT_TRUE(isShown(p)) << "the page stays open";
    for (const CatalogEntry* e : entriesOn(p)) {
        EXPECT_TRUE(state().answers.valueOf(*e).has_value()) << e->key.stem;
        EXPECT_EQ(state().answers.textOf(*e), "");
        EXPECT_FALSE(state().answers.isAnsweredOf(*e));
    }
    // Other pages' slots are untouched.
    EXPECT_FALSE(state().answers.value({SectionId::Volunteering, "Volun"}).has_value());
    // Only the data file tells set-but-empty from unset: fields 19 to 23 are now "".
    const std::string record = encodeAnswerRecord(state().answers);
    EXPECT_NE(record, encodeAnswerRecord(AnswerStore{}));
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = record.find(',', start)) != std::string::npos;
         start = comma + 1)
        fields.push_back(record.substr(start, comma - start));
    ASSERT_GE(fields.size(), 23u);
    for (std::size_t f = 18; f < 23; ++f)
        EXPECT_EQ(fields[f], "\"\"") << "field " << f + 1;
    click(p, QStringLiteral("cmdReturn"));
    EXPECT_TRUE(dialogs->messages.empty()) << "after Save, Return asks nothing";
}

TEST_F(AnswerPageTest, AnEmptiedAnswerKeepsItsAnsweredMark) {
    const QString p = QStringLiteral("frmJobs");
    const QString s = QStringLiteral("frmJobsMain");
    openPage(p);
    type(box(p, "Worst"), QStringLiteral("paper round"));
    click(p, QStringLiteral("cmdSave"));
    click(p, QStringLiteral("cmdReturn"));
    EXPECT_TRUE(child(s, QStringLiteral("cmdWorst2"))->isVisible());
    EXPECT_FALSE(child(s, QStringLiteral("cmdWorst"))->isVisible());

    click(s, QStringLiteral("cmdWorst2"));
    box(p, "Worst")->clear();
    click(p, QStringLiteral("cmdSave"));
    EXPECT_EQ(state().answers.value({SectionId::Jobs, "Worst"}), std::optional<std::string>(""));
    click(p, QStringLiteral("cmdReturn"));
    EXPECT_TRUE(child(s, QStringLiteral("cmdWorst2"))->isVisible());
    EXPECT_FALSE(child(s, QStringLiteral("cmdWorst"))->isVisible());
}

TEST_F(AnswerPageTest, ACompleteSectionMarksTheMainMenuAtItsNextActivation) {
    const QString p = QStringLiteral("frmFinal");
    openPage(p);
    for (const CatalogEntry* e : entriesOn(p))
        box(p, e->key.stem)->setPlainText(QStringLiteral("answer ") + qs(e->key.stem));
    click(p, QStringLiteral("cmdSave"));
    EXPECT_TRUE(state().answers.isSectionComplete(SectionId::Final));
    click(p, QStringLiteral("cmdReturn"));
    EXPECT_FALSE(child(QStringLiteral("frmMain"), QStringLiteral("cmdFinal2"))->isVisible());
    click(QStringLiteral("frmFinalMain"), QStringLiteral("cmdReturn"));
    EXPECT_EQ(active(), window(QStringLiteral("frmMain")));
    EXPECT_TRUE(child(QStringLiteral("frmMain"), QStringLiteral("cmdFinal2"))->isVisible());
    EXPECT_FALSE(child(QStringLiteral("frmMain"), QStringLiteral("cmdFinal"))->isVisible());
}

TEST_F(AnswerPageTest, AnswersLoadedMeanwhileShowAtTheNextActivation) {
    const QString p = QStringLiteral("frmHighSch2");
    openPage(p);
    type(box(p, "Sports"), QStringLiteral("unsaved"));
    dialogs->answerMessage(MsgButton::No);
    click(p, QStringLiteral("cmdReturn"));
    state().answers.setText({SectionId::HighSchool, "Sports"}, "tennis");
    state().answers.setText({SectionId::HighSchool, "AfterGrad"}, "travel");
    click(QStringLiteral("frmHighSchMain"), QStringLiteral("cmdSports2"));
    EXPECT_EQ(box(p, "Sports")->toPlainText(), QStringLiteral("tennis"));
    EXPECT_EQ(box(p, "AfterGrad")->toPlainText(), QStringLiteral("travel"));
}

TEST_F(AnswerPageTest, ActivationPutsTheFocusInTheFirstBox) {
    const QString p = QStringLiteral("frmMilitary2");
    openPage(p);
    EXPECT_EQ(window(p)->focusWidget(), box(p, "Where"));
    box(p, "Events")->setFocus();
    click(p, QStringLiteral("cmdReturn"));
    click(QStringLiteral("frmMilitaryMain"), QStringLiteral("cmdEvents"));
    EXPECT_EQ(window(p)->focusWidget(), box(p, "Where")) << "whichever row was clicked";
}

// Reading comfort: Ctrl++, Ctrl+- and Ctrl + wheel grow or shrink the box's view only; the
// answer and the page's ModifiedFlag stay as they were.
TEST_F(AnswerPageTest, ZoomingABoxChangesItsViewOnly) {
    const QString p = QStringLiteral("frmFirstCar");
    state().answers.setText({SectionId::FirstCar, "Car"}, "A blue one.");
    openPage(p);
    AnswerBox* b = box(p, "Car");
    const qreal size = b->font().pointSizeF();
    QTest::keyClick(b, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(b, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(b->font().pointSizeF(), size * 1.1 * 1.1, 0.01);
    kt::test::turnWheel(b->viewport(), 120, Qt::ControlModifier);
    EXPECT_NEAR(b->font().pointSizeF(), size * 1.1 * 1.1 * 1.1, 0.01);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(b, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(b->font().pointSizeF(), size);
    EXPECT_EQ(b->answer(), "A blue one.");
    EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::No);
}

TEST_F(AnswerPageTest, TitleBarCloseAsksAndNoKeepsThePageAsItWas) {
    const QString p = QStringLiteral("frmCollege3");
    openPage(p);
    type(box(p, "Orgs"), QStringLiteral("chess club"));
    dialogs->answerMessage(MsgButton::No);
    EXPECT_FALSE(window(p)->close());
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0], confirmExitRequest());
    EXPECT_TRUE(isShown(p));
    EXPECT_EQ(box(p, "Orgs")->toPlainText(), QStringLiteral("chess club"));
    EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::Yes);
    EXPECT_FALSE(ended());

    // Yes ends at once, even with nothing modified, and writes nothing.
    click(p, QStringLiteral("cmdSave"));
    type(box(p, "Orgs"), QStringLiteral(" and more"));
    const AnswerStore before = state().answers;
    dialogs->answerMessage(MsgButton::Yes);
    window(p)->close();
    settle();
    EXPECT_TRUE(ended());
    EXPECT_EQ(dialogs->messages.size(), 2u);
    EXPECT_TRUE(state().answers == before);
}

// The store keeps CR LF; the box has its own breaks. Whatever is typed or pasted comes back.
TEST_F(AnswerPageTest, AnswersRoundTripCharacterForCharacter) {
    const QString p = QStringLiteral("frmTravel2");
    openPage(p);
    AnswerBox* b = box(p, "Vacation");
    const QuestionKey key{SectionId::Travel, "Vacation"};

    struct Case {
        const char* name;
        std::string stored;   // what is in the store before
        std::string expected; // what Save writes back with no edit
    };
    std::string longText; // some 300 000 characters over many lines
    for (int i = 0; longText.size() < 300000; ++i)
        longText += i % 12 == 11 ? "lines.\r\n" : "Many long ";
    const Case cases[] = {
        {"empty", "", ""},
        {"CR LF", "one\r\ntwo\r\n\r\nthree\r\n", "one\r\ntwo\r\n\r\nthree\r\n"},
        {"only a break", "\r\n", "\r\n"},
        {"spaces, tabs and no-break spaces",
         "  a\tb\xc2\xa0"
         "c  ",
         "  a\tb\xc2\xa0"
         "c  "},
        {"accents and emoji", "Caf\xc3\xa9 \xf0\x9f\x98\x80 \xe2\x80\x94 \xc3\x9f",
         "Caf\xc3\xa9 \xf0\x9f\x98\x80 \xe2\x80\x94 \xc3\x9f"},
        {"lone LF and CR become CR LF", "a\nb\rc\r\r\nd", "a\r\nb\r\nc\r\n\r\nd"},
        {"a long answer", longText, longText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state().answers.setText(key, c.stored);
        reactivate(p);
        click(p, QStringLiteral("cmdSave"));
        EXPECT_EQ(state().answers.text(key), c.expected);
    }

    // Typed: Enter and Shift+Enter both make a CR LF.
    reactivate(p);
    b->clear();
    QTest::keyClicks(b, QStringLiteral("line one"));
    QTest::keyClick(b, Qt::Key_Return);
    QTest::keyClicks(b, QStringLiteral("line two"));
    QTest::keyClick(b, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(b, QStringLiteral("three"));
    click(p, QStringLiteral("cmdSave"));
    EXPECT_EQ(state().answers.text(key), "line one\r\nline two\r\nthree");
}

TEST_F(AnswerPageTest, PastingRichTextArrivesAsPlainText) {
    const QString p = QStringLiteral("frmTravel2");
    openPage(p);
    AnswerBox* b = box(p, "Future");
    auto* mime = new QMimeData;
    mime->setHtml(QStringLiteral("<p><b>Rome</b> and <i>Paris</i></p><p>soon</p>"));
    mime->setText(QStringLiteral("Rome and Paris\nsoon"));
    QGuiApplication::clipboard()->setMimeData(mime);
    if (!QGuiApplication::clipboard()->mimeData()->hasText())
        GTEST_SKIP() << "no clipboard under this platform plugin";
    b->paste();
    EXPECT_EQ(page(p)->modifiedFlag(), questionnaire::Modified::Yes);
    click(p, QStringLiteral("cmdSave"));
    EXPECT_EQ(state().answers.text({SectionId::Travel, "Future"}), "Rome and Paris\r\nsoon");

    // Rich text that comes without a plain version still arrives, as plain text.
    auto* htmlOnly = new QMimeData;
    htmlOnly->setHtml(QStringLiteral("<ul><li><b>Lisbon</b></li></ul>"));
    QGuiApplication::clipboard()->setMimeData(htmlOnly);
    AnswerBox* other = box(p, "Free");
    EXPECT_TRUE(other->canPaste());
    other->paste();
    click(p, QStringLiteral("cmdSave"));
    const std::string pasted = state().answers.text({SectionId::Travel, "Free"});
    EXPECT_NE(pasted.find("Lisbon"), std::string::npos) << pasted;
    EXPECT_EQ(pasted.find('<'), std::string::npos) << pasted;
}

} // namespace

namespace {

// Very long answers fill the boxes under the wait cursor, which goes again afterwards; short
// ones never show it.
TEST_F(AnswerPageTest, VeryLongAnswersFillUnderTheWaitCursor) {
    const QString p = QStringLiteral("frmTravel2");
    openPage(p);
    AnswerBox* b = box(p, "Vacation");
    std::vector<bool> waiting;
    QObject::connect(b, &QPlainTextEdit::textChanged, b, [&] {
        const QCursor* c = QGuiApplication::overrideCursor();
        waiting.push_back(c && c->shape() == Qt::WaitCursor);
    });
    const std::string huge((std::size_t{1} << 20) + 1, 'w');
    for (const std::string& answer : {std::string("short"), huge}) {
        state().answers.setText({SectionId::Travel, "Vacation"}, answer);
        waiting.clear();
        reactivate(p);
        ASSERT_FALSE(waiting.empty());
        EXPECT_EQ(waiting.back(), answer.size() > 1000);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(b->answer(), answer);
    }
}

} // namespace

#include "windows/app/main_menu.h"

#include "windows/questionnaire/section_screen.h"
#include "windows/window_names.h"

#include "core/program_state.h"
#include "core/question_catalog.h"
#include "ui/twips.h"
#include "ui/window_manager.h"
#include "windows/common/confirm_exit.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <optional>

namespace kt::app {

using namespace kt::ui;
using namespace kt::windows;

namespace {

struct Entry {
    int x, y, labelX;
    const char* bullet;
    const char* completedBullet; // nullptr: none
    const char* label;
    const char* caption;
    const char* toolTip; // nullptr: none
    QLatin1String opens; // window to open; empty: a section's screen, or LoadData
    std::optional<SectionId> section;
};

// In tab order within each column: left column, then right column, then the Load entry.
constexpr Entry kEntries[] = {
    {120,
     120,
     480,
     "cmdInfo",
     nullptr,
     "lblInfo",
     "&About this Program",
     "Information about this program.",
     windows::kAbout,
     {}},
    {120,
     480,
     480,
     "cmdInstruc",
     nullptr,
     "lblInstruc",
     "&Instructions",
     "Instructions on how to use this program.",
     windows::kInstructions,
     {}},
    {120,
     840,
     480,
     "cmdDistribution",
     nullptr,
     "lblDistribution",
     "&Distribution",
     "Distribution information for this program.",
     windows::kDistribution,
     {}},
    {120,
     1200,
     480,
     "cmdWarranty",
     nullptr,
     "lblWarranty",
     "Warrant&y",
     "Warranty information about this program.",
     windows::kWarranty,
     {}},
    {120,
     1560,
     480,
     "cmdShareware",
     nullptr,
     "lblShareware",
     "Shar&eware",
     "Information about shareware in general.",
     windows::kShareware,
     {}},
    {120,
     1920,
     480,
     "cmdChildhood",
     "cmdChildhood2",
     "lblChildhood",
     "&Childhood",
     "Questions about your childhood.",
     {},
     SectionId::Childhood},
    {120,
     2280,
     480,
     "cmdHighSch",
     "cmdHighSch2",
     "lblHighSchool",
     "&High School",
     "Questions about your high school years.",
     {},
     SectionId::HighSchool},
    {120,
     2640,
     480,
     "cmdFirstCar",
     "cmdFirstCar2",
     "lblFirstCar",
     "&First Car",
     "Questions about your first car.",
     {},
     SectionId::FirstCar},
    {120,
     3000,
     480,
     "cmdVolunteer",
     "cmdVolunteer2",
     "lblVolun",
     "&Volunteering",
     "Questions about your volunteer services.",
     {},
     SectionId::Volunteering},
    {2880,
     120,
     3240,
     "cmdJobs",
     "cmdJobs2",
     "lblJobs",
     "&Jobs",
     "Questions about your jobs.",
     {},
     SectionId::Jobs},
    {2880,
     480,
     3240,
     "cmdCollege",
     "cmdCollege2",
     "lblCollege",
     "Colle&ge",
     "Questions about your college years.",
     {},
     SectionId::College},
    {2880,
     840,
     3240,
     "cmdMilitary",
     "cmdMilitary2",
     "lblMilitary",
     "&Military",
     "Questions about you and the military.",
     {},
     SectionId::Military},
    {2880,
     1200,
     3240,
     "cmdWedding",
     "cmdWedding2",
     "lblWedding",
     "&Wedding",
     "Questions about your wedding.",
     {},
     SectionId::Wedding},
    {2880,
     1560,
     3240,
     "cmdTravel",
     "cmdTravel2",
     "lblTravel",
     "&Travel",
     "Questions about your travel experiences.",
     {},
     SectionId::Travel},
    {2880,
     1920,
     3240,
     "cmdLife",
     "cmdLife2",
     "lblLife",
     "&Life in General",
     "Questions about your life in general.",
     {},
     SectionId::Life},
    {2880,
     2280,
     3240,
     "cmdFinal",
     "cmdFinal2",
     "lblFinal",
     "Fi&nal Thoughts",
     "For your final comments.",
     {},
     SectionId::Final},
    {2880,
     2640,
     3240,
     "cmdSaveFile",
     nullptr,
     "lblSave",
     "Edit Text && Save to File",
     nullptr,
     windows::kTextEditor,
     {}},
    {1080,
     3360,
     1440,
     "cmdLoad",
     nullptr,
     "lblLoad",
     "Load Previously Saved Data",
     nullptr,
     {},
     {}},
};

// What assistive technology says of an entry's bullet: its tool tip, or for the two entries
// without one, what they do.
QString helpFor(const Entry& e) {
    if (e.toolTip)
        return QString::fromLatin1(e.toolTip);
    return !e.opens.isEmpty()
               ? QStringLiteral("Shows your whole story, every question with its answer, to "
                                "edit, print and save to a file.")
               : QStringLiteral("Reads back the answers of an earlier session from the data "
                                "file saved then.");
}

constexpr int kClientWidth = 5565;
constexpr int kClientHeight = 3870;

} // namespace

MainMenu::MainMenu(ProgramState& state)
    : ProgramWindow(windows::kMainMenu, QStringLiteral("Kithtale")), m_state(state) {
    setFixedClientSizeTwips(kClientWidth, kClientHeight);

    QList<QWidget*> tabChain;
    QList<BulletButton*> completedChain;
    QWidget* loadBullet = nullptr;

    for (const Entry& e : kEntries) {
        auto* bullet = new BulletButton(this, QString::fromLatin1(e.bullet), false);
        bullet->setGeometry(rectTw(e.x, e.y, 255, 255));

        auto* label =
            new ClickLabel(this, QString::fromLatin1(e.label), QString::fromLatin1(e.caption));
        applyLabelLook(*label);
        if (e.toolTip)
            label->setToolTip(QString::fromLatin1(e.toolTip));
        // The buddy gives the access key its target, and shows "&&" as one ampersand.
        label->setBuddy(bullet);
        const int maxWidth = rectTw(e.labelX, 0, kClientWidth - e.labelX, 0).width();
        label->setGeometry(rectTw(e.labelX, e.y, 0, 240).x(), rectTw(e.labelX, e.y, 0, 240).y(),
                           qMin(label->sizeHint().width(), maxWidth), px(240));
        const QString name = withoutAccessKey(label->text());
        const QString help = helpFor(e);
        bullet->describe(name, e.section ? QStringLiteral("not complete") : QString(), help);

        const bool opensWindow = e.section || !e.opens.isEmpty();
        std::function<void()> action;
        if (opensWindow) {
            const QString target =
                e.section ? questionnaire::sectionScreenName(*e.section) : QString(e.opens);
            action = [this, target] {
                showWindow(target);
                hide();
            };
        } else {
            action = [this] { LoadData(); };
        }
        connect(bullet, &QPushButton::clicked, this, action);
        connect(label, &ClickLabel::clicked, this, action);

        if (e.completedBullet) {
            auto* done = new BulletButton(this, QString::fromLatin1(e.completedBullet), true);
            done->setGeometry(bullet->geometry());
            done->hide();
            done->describe(name, QStringLiteral("complete"),
                           help + QStringLiteral("  The check mark shows that every question in "
                                                 "it is answered."));
            // Opens the section like the plain bullet does, as on the section screens.
            connect(done, &QPushButton::clicked, this, action);
            m_plain[indexOf(*e.section)] = bullet;
            m_completed[indexOf(*e.section)] = done;
            completedChain << done;
        }
        if (opensWindow)
            tabChain << bullet;
        else
            loadBullet = bullet;
    }

    auto* exitButton =
        addButton(this, QStringLiteral("cmdExit"), QStringLiteral("E&xit"), 4320, 3240, 1095, 495,
                  QStringLiteral("Click here to exit the program."));
    connect(exitButton, &QPushButton::clicked, this, [] { confirmExitAndEnd(); });

    tabChain << exitButton;
    for (auto* b : completedChain)
        tabChain << b;
    tabChain << loadBullet;
    setTabChain(tabChain);

    centreOnScreen();
}

void MainMenu::activated() {
    RefreshSectionMarks();
}

void MainMenu::RefreshSectionMarks() {
    for (SectionId id : kAllSections) {
        if (!m_state.answers.isSectionComplete(id))
            continue;
        m_plain[indexOf(id)]->giveWayTo(*m_completed[indexOf(id)]);
    }
}

bool MainMenu::closeRequested() {
    return confirmExitAndEnd();
}

} // namespace kt::app

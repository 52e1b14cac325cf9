#include "windows/questionnaire/section_screen.h"

#include "windows/window_names.h"

#include "core/program_state.h"
#include "ui/qs.h"
#include "ui/twips.h"
#include "windows/common/confirm_exit.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"
#include "windows/questionnaire/answer_page.h"

#include <QPushButton>

#include <stdexcept>

namespace kt::questionnaire {

using namespace kt::ui;
using namespace kt::windows;

namespace {

constexpr int kBulletX = 120;
constexpr int kBulletSize = 255;
constexpr int kLabelX = 480;
constexpr int kReturnWidth = 1695;
constexpr int kReturnHeight = 495;

// The usual label width.
constexpr int kW = 6225;

constexpr ScreenRowLayout kChildRows[] = {
    {120, 495, kW},  {720, 255, kW},  {1080, 255, kW}, {1440, 495, kW}, {2040, 255, 6105},
    {2400, 495, kW}, {3000, 495, kW}, {3600, 255, kW}, {3960, 255, kW}, {4320, 255, kW},
};
constexpr ScreenRowLayout kHighSchRows[] = {
    {120, 255, kW},  {480, 255, kW},  {840, 255, kW},  {1200, 255, kW},
    {1560, 495, kW}, {2160, 495, kW}, {2760, 255, kW}, {3120, 495, kW},
};
constexpr ScreenRowLayout kCarRows[] = {
    {120, 255, kW}, {480, 255, kW}, {840, 255, kW}, {1200, 255, kW}, {1560, 255, kW},
};
constexpr ScreenRowLayout kVolunRows[] = {
    {120, 255, kW}, {480, 255, kW}, {840, 495, kW}, {1440, 255, kW}, {1800, 495, kW},
};
constexpr ScreenRowLayout kJobsRows[] = {
    {120, 255, 5865}, {480, 255, 5865}, {840, 255, 5865}, {1200, 255, 5985}, {1560, 255, 5865},
};
constexpr ScreenRowLayout kCollegeRows[] = {
    {120, 255, kW},  {480, 255, kW},  {840, 255, kW},  {1200, 255, kW},
    {1560, 255, kW}, {1920, 255, kW}, {2280, 735, kW}, {3120, 495, kW},
    {3720, 255, kW}, {4080, 495, kW}, {4560, 255, kW},
};
constexpr ScreenRowLayout kMilitaryRows[] = {
    {120, 255, kW},  {480, 495, kW},  {1080, 495, kW}, {1680, 255, kW},
    {2040, 375, kW}, {2400, 495, kW}, {3000, 495, kW},
};
constexpr ScreenRowLayout kWeddingRows[] = {
    {120, 495, kW},  {720, 255, kW},  {1080, 255, kW}, {1440, 255, kW}, {1800, 255, kW},
    {2160, 495, kW}, {2760, 255, kW}, {3120, 375, kW}, {3480, 375, kW},
};
constexpr ScreenRowLayout kTravelRows[] = {
    {120, 255, kW},  {480, 255, kW},  {840, 255, kW},  {1200, 255, kW},
    {1560, 495, kW}, {2160, 375, kW}, {2520, 495, kW},
};
constexpr ScreenRowLayout kLifeRows[] = {
    {120, 255, kW},  {480, 255, kW},  {840, 255, kW},
    {1200, 255, kW}, {1560, 375, kW}, {1920, 375, kW},
};
constexpr ScreenRowLayout kFinalRows[] = {
    {120, 255, 5745},
    {480, 255, 5745},
    {840, 495, 5745},
    {1440, 255, 5745},
};

constexpr SectionScreenDesign kScreens[] = {
    {SectionId::Childhood, QLatin1String("frmChildMain"), "Kithtale - Childhood", 6885, 5295,
     kChildRows, 5040, 4680},
    {SectionId::HighSchool, QLatin1String("frmHighSchMain"), "Kithtale - High School", 6825, 4470,
     kHighSchRows, 4920, 3840},
    {SectionId::FirstCar, QLatin1String("frmCarMain"), "Kithtale - First Car", 6765, 2640, kCarRows,
     4920, 2040},
    {SectionId::Volunteering, QLatin1String("frmVolunMain"), "Kithtale - Volunteering", 6765, 3045,
     kVolunRows, 4920, 2400},
    {SectionId::Jobs, QLatin1String("frmJobsMain"), "Kithtale - Jobs", 6525, 2565, kJobsRows, 4680,
     1920},
    {SectionId::College, QLatin1String("frmCollegeMain"), "Kithtale - College", 6810, 5520,
     kCollegeRows, 5040, 4920},
    {SectionId::Military, QLatin1String("frmMilitaryMain"), "Kithtale - Military", 6825, 4215,
     kMilitaryRows, 4920, 3600},
    {SectionId::Wedding, QLatin1String("frmWeddingMain"), "Kithtale - Wedding", 6765, 4470,
     kWeddingRows, 4920, 3840},
    {SectionId::Travel, QLatin1String("frmTravelMain"), "Kithtale - Travel", 6780, 3705,
     kTravelRows, 4920, 3120},
    {SectionId::Life, QLatin1String("frmLifeMain"), "Kithtale - Life in General", 6690, 3000,
     kLifeRows, 4800, 2400},
    {SectionId::Final, QLatin1String("frmFinalMain"), "Kithtale - Final Thoughts", 6270, 2535,
     kFinalRows, 4440, 1920},
};

constexpr bool inSectionOrder() {
    for (std::size_t i = 0; i < std::size(kScreens); ++i)
        if (indexOf(kScreens[i].section) != i)
            return false;
    return std::size(kScreens) == kSectionCount;
}
static_assert(inSectionOrder(), "one screen per section, in section order");

} // namespace

std::span<const SectionScreenDesign> sectionScreenDesigns() {
    return kScreens;
}

QString sectionScreenName(SectionId section) {
    return kScreens[indexOf(section)].name;
}

SectionScreen::SectionScreen(const SectionScreenDesign& design, ProgramState& state)
    : ProgramWindow(design.name, QString::fromUtf8(design.caption)), m_design(design),
      m_state(state) {
    setFixedClientSizeTwips(design.clientWidth, design.clientHeight);

    const auto questions = QuestionCatalog::instance().questions(design.section);
    if (questions.size() != design.rows.size())
        throw std::logic_error("section screen rows do not match the catalog");

    QList<QWidget*> tabChain;
    QList<QWidget*> answeredChain;
    for (std::size_t i = 0; i < questions.size(); ++i) {
        const CatalogEntry& e = questions[i];
        const ScreenRowLayout& at = design.rows[i];
        const QString stem = qs(e.screenStem);
        const QString text = qs(e.text);

        auto* label = new ClickLabel(this, QStringLiteral("lbl") + stem, text);
        label->setTextFormat(Qt::PlainText);
        applyLabelLook(*label);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(rectTw(kLabelX, at.y, at.labelWidth, at.labelHeight));

        auto* plain = new BulletButton(this, QStringLiteral("cmd") + stem, false);
        plain->setGeometry(rectTw(kBulletX, at.y, kBulletSize, kBulletSize));
        const QString opens = QStringLiteral("Opens the answer page for this question.");
        plain->describe(text, QStringLiteral("not answered"), opens);

        auto* answered =
            new BulletButton(this, QStringLiteral("cmd") + stem + QLatin1Char('2'), true);
        answered->setGeometry(plain->geometry());
        answered->describe(text, QStringLiteral("answered"),
                           opens + QStringLiteral("  The check mark shows that it is answered."));
        answered->hide();

        for (auto* b : {plain, answered})
            connect(b, &QPushButton::clicked, this, [this, &e] { openRowPage(e); });
        connect(label, &ClickLabel::clicked, this, [this, &e] { openRowPage(e); });

        m_rows.push_back({&e, plain, answered, label});
        tabChain << plain;
        answeredChain << answered;
    }

    auto* back = addButton(this, QStringLiteral("cmdReturn"), QStringLiteral("&Return to Main"),
                           design.returnX, design.returnY, kReturnWidth, kReturnHeight);
    back->setAccessibleDescription(QStringLiteral("Goes back to the main menu."));
    connect(back, &QPushButton::clicked, this, [this] {
        showWindow(windows::kMainMenu);
        hide();
    });

    tabChain << back << answeredChain;
    setTabChain(tabChain);

    centreOnScreen();
}

void SectionScreen::activated() {
    RefreshAnsweredMarks();
}

void SectionScreen::RefreshAnsweredMarks() {
    for (const Row& row : m_rows) {
        if (!m_state.answers.isAnsweredOf(*row.entry))
            continue;
        row.plain->giveWayTo(*row.answered);
    }
}

void SectionScreen::OpenAnswerPage(const QString& page) {
    showWindow(page);
    hide();
}

void SectionScreen::frm2() {
    if (QuestionCatalog::instance().pageCount(m_design.section) >= 2)
        OpenAnswerPage(answerPageName(m_design.section, 2));
}

void SectionScreen::openRowPage(const CatalogEntry& entry) {
    OpenAnswerPage(answerPageName(entry.section(), entry.page));
}

bool SectionScreen::closeRequested() {
    return confirmExitAndEnd();
}

} // namespace kt::questionnaire

#include "windows/questionnaire/answer_page.h"

#include "core/program_state.h"
#include "rtf/document.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/qs.h"
#include "ui/spell_marker.h"
#include "ui/twips.h"
#include "ui/zoom.h"
#include "windows/common/confirm_exit.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QWheelEvent>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace kt::questionnaire {

using namespace kt::ui;
using namespace kt::windows;

namespace {

using enum Place;

// The answers' own size; zooming shows them larger or smaller than this.
constexpr double kAnswerPointSize = 12;

constexpr PageQuestion kChildhood1[] = {
    {"GrowUp", L1},
    {"Toys", L2},
    {"Games", R1},
    {"Lived", B, nullptr,
     "Where did you live grow- ing up?  If you moved during your childhood, which home was your "
     "favorite, and why?"},
    {"Hobbies", R2},
};
constexpr const char* const kChildhood1Tabs[] = {"GrowUp", "Toys", "Games", "Hobbies", "Lived"};
constexpr PageQuestion kChildhood2[] = {
    {"School", L1}, {"Differences", R1}, {"Friends", L2}, {"Siblings", R2}, {"Parents", B},
};
constexpr const char* const kChildhood2Tabs[] = {"School", "Friends", "Differences", "Siblings",
                                                 "Parents"};
constexpr PageQuestion kHighSch1[] = {
    {"GoHighSch", L1}, {"Grad", L2}, {"Classes", R1}, {"AfterSch", R2}, {"Clubs", B},
};
constexpr PageQuestion kHighSch2[] = {{"Sports", L}, {"Hobbies", R}, {"AfterGrad", B}};
constexpr PageQuestion kFirstCar[] = {
    {"Car", L1}, {"WhenGet", L2}, {"Getting", B}, {"Length", R1}, {"Stories", R2},
};
constexpr PageQuestion kVolun1[] = {
    {"Volun", L1, "lblVolunteer"}, {"WWW", L2}, {"Skills", B}, {"Like", R1}, {"Wanted", R2},
};
constexpr PageQuestion kJobs[] = {
    {"FirstJob", L1}, {"Best", L2}, {"Worst", R1}, {"Want", R2}, {"Dream", B},
};
constexpr PageQuestion kCollege1[] = {
    {"WhereWent", L1, "lblWhereWhen"},
    {"Scholarship", L2},
    {"Major", R1},
    {"Favorite", R2},
};
constexpr PageQuestion kCollege2[] = {
    {"Best", L1},
    {"Least", L2},
    {"Graduate", R, nullptr,
     "Did you graduate from college?  If yes, when? Did you go through the ceremony? Who was "
     "there to watch you?  Do you remember anything specific about the ceremony?"},
};
constexpr PageQuestion kCollege3[] = {
    {"NotGrad", L1}, {"Orgs", L2}, {"Sports", R1}, {"Stories", R2}};
constexpr PageQuestion kMilitary1[] = {{"Military", L}, {"War", R}, {"Duties", B}};
constexpr PageQuestion kMilitary2[] = {
    {"Where", L1}, {"People", R1}, {"Friends", L2}, {"Events", R2}};
constexpr const char* const kMilitary2Tabs[] = {"Where", "Friends", "People", "Events"};
constexpr PageQuestion kWedding1[] = {
    {"Meet", L1}, {"Where", L2}, {"Ceremony", R1}, {"Reception", R2}, {"Size", B},
};
constexpr PageQuestion kWedding2[] = {
    {"Stories", L1},
    {"Honeymoon", L2},
    {"HStories", R1},
    {"Advice", R2},
};
constexpr PageQuestion kTravel1[] = {
    {"Countries", L1}, {"Like", L2}, {"NotLike", R1}, {"Here", R2}};
constexpr PageQuestion kTravel2[] = {{"Vacation", L}, {"Future", R}, {"Free", B}};
constexpr PageQuestion kLife1[] = {{"Change", L}, {"Goals", R}, {"Advice", B}};
constexpr PageQuestion kLife2[] = {{"Books", L}, {"Hobbies", B}, {"Learn", R}};
constexpr PageQuestion kFinal[] = {
    {"Self", L1}, {"Advice", L2}, {"Questions", R1}, {"Comments", R2}};

using S = SectionId;
constexpr AnswerPageDesign kPages[] = {
    {"frmChildhood1", "Kithtale - Childhood #1", "frmChildMain", S::Childhood, kChildhood1,
     kChildhood1Tabs},
    {"frmChildhood2", "Kithtale - Childhood #2", "frmChildMain", S::Childhood, kChildhood2,
     kChildhood2Tabs},
    {"frmHighSch1", "Kithtale - High School #1", "frmHighSchMain", S::HighSchool, kHighSch1, {}},
    {"frmHighSch2", "Kithtale - High School #2", "frmHighSchMain", S::HighSchool, kHighSch2, {}},
    {"frmFirstCar", "Kithtale - First Car", "frmCarMain", S::FirstCar, kFirstCar, {}},
    {"frmVolun1", "Kithtale - Volunteering", "frmVolunMain", S::Volunteering, kVolun1, {}},
    {"frmJobs", "Kithtale - Jobs", "frmJobsMain", S::Jobs, kJobs, {}},
    {"frmCollege1", "Kithtale - College #1", "frmCollegeMain", S::College, kCollege1, {}},
    {"frmCollege2", "Kithtale - College #2", "frmCollegeMain", S::College, kCollege2, {}, true},
    {"frmCollege3", "Kithtale - College #3", "frmCollegeMain", S::College, kCollege3, {}},
    {"frmMilitary1", "Kithtale - Military #1", "frmMilitaryMain", S::Military, kMilitary1, {}},
    {"frmMilitary2", "Kithtale - Military #2", "frmMilitaryMain", S::Military, kMilitary2,
     kMilitary2Tabs},
    {"frmWedding1", "Kithtale - Wedding #1", "frmWeddingMain", S::Wedding, kWedding1, {}},
    {"frmWedding2", "Kithtale - Wedding #2", "frmWeddingMain", S::Wedding, kWedding2, {}},
    {"frmTravel1", "Kithtale - Travel #1", "frmTravelMain", S::Travel, kTravel1, {}},
    {"frmTravel2", "Kithtale - Travel #2", "frmTravelMain", S::Travel, kTravel2, {}},
    {"frmLife1", "Kithtale - Life in General #1", "frmLifeMain", S::Life, kLife1, {}},
    {"frmLife2", "Kithtale - Life in General #2", "frmLifeMain", S::Life, kLife2, {}},
    {"frmFinal", "Kithtale - Final Thoughts", "frmFinalMain", S::Final, kFinal, {}},
};

// Layout in logical pixels. The page is two columns of group boxes, with an optional strip
// under them; boxes are sized for long answers and the whole page stays within a 1024 x 768
// screen with its frame.
namespace metric {
constexpr int kMargin = 14;
constexpr int kGutter = 14;         // between the columns, and above the strip or the buttons
constexpr int kPad = 10;            // inside a group box
constexpr int kTopPad = 8;          // inside a group box, above its first label
constexpr int kLabelGap = 4;        // between a label and its box
constexpr int kQuestionGap = 14;    // between the two questions of a column
constexpr int kColumnWidth = 452;   // outer width of a column's group box
constexpr int kBoxHeight = 165;     // a box in a two-question column, over a strip
constexpr int kTallBoxHeight = 220; // the same on a page without a strip
constexpr int kStripBoxHeight = 125;
constexpr int kMinBoxHeight = 80;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 34;
constexpr int kButtonGap = 10;
constexpr int kMaxClientHeight = 700; // 768 less a title bar, a frame and a panel
constexpr int kClientWidth = 2 * kMargin + 2 * kColumnWidth + kGutter;
} // namespace metric

// Answers longer than this together take a noticeable moment to lay out.
constexpr std::size_t kBusyAnswerBytes = std::size_t{1} << 20;

bool inLeft(Place p) {
    return p == L1 || p == L2 || p == L;
}
bool inRight(Place p) {
    return p == R1 || p == R2 || p == R;
}

} // namespace

std::span<const AnswerPageDesign> answerPageDesigns() {
    return kPages;
}

// ---------------------------------------------------------------------------------------------

AnswerBox::AnswerBox(QWidget* parent, const QString& objectName)
    : QPlainTextEdit(parent), m_spelling(new SpellMarker(this)) {
    setObjectName(objectName);
    setFont(look::arial(kAnswerPointSize, false));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_wrap = new WrapGuard(this);
    // Tab moves on to the next question; answers rarely need a tab character.
    setTabChangesFocus(true);
    // The page names each box by its question; this says how typing in it works.
    setAccessibleDescription(QStringLiteral(
        "Your answer.  Enter starts a new line; Tab moves on to the next question."));
    setBackgroundVisible(false);
    document()->setDocumentMargin(5);
    // A plain frame that turns navy and thicker while the box has the focus, so the box being
    // typed into is plain to see.
    setStyleSheet(QStringLiteral("QPlainTextEdit { border: 2px solid rgb(160, 160, 160); }"
                                 "QPlainTextEdit:focus { border: 2px solid rgb(0, 0, 128); }"));
}

void AnswerBox::setAnswer(const std::string& stored) {
    QString text = QString::fromStdString(stored);
    // A lone CR or LF (from a file written elsewhere) is a line break too.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_wrap->replace(text, [&] { setPlainText(text); });
}

std::string AnswerBox::answer() const {
    // The raw text keeps every character as typed (toPlainText would turn a no-break space
    // into a plain one); its paragraph and line separators are the line breaks.
    QString text = document()->toRawText();
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (const QChar c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            out += QStringLiteral("\r\n");
        else
            out += c;
    }
    return out.toStdString();
}

bool AnswerBox::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() || source->hasHtml();
}

void AnswerBox::insertFromMimeData(const QMimeData* source) {
    // A paste of a megabyte or more is laid out for a noticeable time.
    const QString text = source->hasText() ? source->text() : QString();
    const QString html = source->hasText() ? QString() : source->html();
    const qsizetype size = source->hasText() ? text.size() : html.size();
    const BusyCursor busy(static_cast<std::size_t>(size) > kBusyAnswerBytes, window());
    if (source->hasText()) {
        m_wrap->aboutToInsert(text);
        QPlainTextEdit::insertFromMimeData(source);
    } else if (source->hasHtml()) {
        const QString plain = rtf::Document::plainTextOf(html);
        m_wrap->aboutToInsert(plain);
        insertPlainText(plain);
    }
}

void AnswerBox::keyPressEvent(QKeyEvent* event) {
    if (const int steps = ui::zoomSteps(*event)) {
        zoomBy(steps);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void AnswerBox::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        zoomBy(ui::zoomSteps(*event, m_wheelPending));
        event->accept();
        return;
    }
    QPlainTextEdit::wheelEvent(event);
}

void AnswerBox::zoomBy(int steps) {
    if (steps == 0)
        return;
    m_zoom = ui::zoomedBy(m_zoom, steps);
    QFont f = font();
    f.setPointSizeF(kAnswerPointSize * m_zoom);
    setFont(f);
}

void AnswerBox::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    m_spelling->addToMenu(*menu, event->pos());
    menu->exec(event->globalPos());
}

// ---------------------------------------------------------------------------------------------

AnswerPage::AnswerPage(const AnswerPageDesign& design, ProgramState& state)
    : ProgramWindow(QString::fromUtf8(design.name), QString::fromUtf8(design.caption)),
      m_design(design), m_state(state) {
    const QuestionCatalog& catalog = QuestionCatalog::instance();

    m_frames[0] = new QGroupBox(this);
    m_frames[0]->setObjectName(QStringLiteral("Frame1"));
    m_frames[1] = new QGroupBox(this);
    m_frames[1]->setObjectName(QStringLiteral("Frame2"));
    const bool hasStrip = std::any_of(design.questions.begin(), design.questions.end(),
                                      [](const PageQuestion& q) { return q.place == B; });
    if (hasStrip) {
        m_frames[2] = new QGroupBox(this);
        m_frames[2]->setObjectName(QStringLiteral("Frame3"));
    }

    for (const PageQuestion& q : design.questions) {
        const CatalogEntry& e = catalog.entry({design.section, q.stem});
        if (qs(e.page) != QString::fromUtf8(design.name))
            throw std::logic_error("a page binds a question of another page");
        QGroupBox* frame = inLeft(q.place)    ? m_frames[0]
                           : inRight(q.place) ? m_frames[1]
                                              : m_frames[2];

        const QString stem = QString::fromUtf8(q.stem);
        auto* label = new QLabel(frame);
        label->setObjectName(q.labelName ? QString::fromUtf8(q.labelName)
                                         : QStringLiteral("lbl") + stem);
        label->setTextFormat(Qt::PlainText);
        label->setText(q.labelText ? QString::fromUtf8(q.labelText) : qs(e.text));
        applyLabelLook(*label);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

        auto* box = new AnswerBox(frame, QStringLiteral("txt") + stem);
        box->setAccessibleName(qs(e.text));
        label->setBuddy(box);
        connect(box, &QPlainTextEdit::textChanged, this,
                [this] { ModifiedFlag = QStringLiteral("Y"); });

        m_questions.push_back({&e, q.place, label, box});
    }

    m_save = addButton(this, QStringLiteral("cmdSave"), QStringLiteral("&Save"), 0, 0, 0, 0);
    m_return = addButton(this, QStringLiteral("cmdReturn"), QStringLiteral("&Return"), 0, 0, 0, 0);
    for (auto* b : {m_save, m_return})
        b->setFont(look::arial(10, true));
    m_save->setAccessibleDescription(QStringLiteral(
        "Keeps the answers on this page.  They are saved to a file from the text editor."));
    m_return->setAccessibleDescription(
        QStringLiteral("Goes back to the list of this section's questions."));
    connect(m_save, &QPushButton::clicked, this, [this] { Save(); });
    connect(m_return, &QPushButton::clicked, this, [this] { Return(); });

    // Tab order: the boxes as the page lists them, then Save, then Return.
    QList<QWidget*> chain;
    if (design.tabOrder.empty()) {
        for (const Question& q : m_questions)
            chain << q.box;
    } else {
        for (const char* stem : design.tabOrder) {
            const auto it =
                std::find_if(m_questions.begin(), m_questions.end(), [stem](const Question& q) {
                    return q.entry->key.stem == std::string_view(stem);
                });
            if (it == m_questions.end())
                throw std::logic_error("tab order names a question not on the page");
            chain << it->box;
        }
    }
    chain << m_save << m_return;
    setTabChain(chain);

    layOut();
    centreOnScreen();
}

void AnswerPage::layOut() {
    using namespace metric;
    const auto findAt = [this](Place p) -> const Question* {
        for (const Question& q : m_questions)
            if (q.place == p)
                return &q;
        return nullptr;
    };
    const auto labelHeight = [](const Question* q, int width) {
        return q ? q->label->heightForWidth(width) : 0;
    };

    struct Column {
        const Question* upper; // or the single question
        const Question* lower; // nullptr for a single question
    };
    const Column columns[2] = {
        findAt(L) ? Column{findAt(L), nullptr} : Column{findAt(L1), findAt(L2)},
        findAt(R) ? Column{findAt(R), nullptr} : Column{findAt(R1), findAt(R2)},
    };
    const int inner = kColumnWidth - 2 * kPad;

    // Labels of questions side by side share a height, so their boxes line up.
    int upperLabel[2], lowerLabel[2];
    for (int c = 0; c < 2; ++c) {
        upperLabel[c] = labelHeight(columns[c].upper, inner);
        lowerLabel[c] = labelHeight(columns[c].lower, inner);
    }
    const bool sameShape = (columns[0].lower == nullptr) == (columns[1].lower == nullptr);
    if (sameShape) {
        upperLabel[0] = upperLabel[1] = std::max(upperLabel[0], upperLabel[1]);
        lowerLabel[0] = lowerLabel[1] = std::max(lowerLabel[0], lowerLabel[1]);
    }

    const Question* strip = findAt(B);
    const int stripWidth = kClientWidth - 2 * kMargin - kButtonWidth - kGutter;
    const int stripLabel = labelHeight(strip, stripWidth - 2 * kPad);

    // Boxes as generous as the screen allows.
    int boxHeight = strip ? kBoxHeight : kTallBoxHeight;
    int stripBoxHeight = kStripBoxHeight;
    int columnHeight = 0, clientHeight = 0;
    for (;;) {
        columnHeight = 0;
        for (int c = 0; c < 2; ++c) {
            const int natural =
                columns[c].lower ? kTopPad + upperLabel[c] + kLabelGap + boxHeight + kQuestionGap +
                                       lowerLabel[c] + kLabelGap + boxHeight + kPad
                                 : kTopPad + upperLabel[c] + kLabelGap + 2 * boxHeight +
                                       kQuestionGap + 2 * kLabelGap + 40 + kPad;
            columnHeight = std::max(columnHeight, natural);
        }
        const int below =
            strip ? kTopPad + stripLabel + kLabelGap + stripBoxHeight + kPad : kButtonHeight;
        clientHeight = kMargin + columnHeight + kGutter + below + kMargin;
        if (clientHeight <= kMaxClientHeight || boxHeight <= kMinBoxHeight)
            break;
        boxHeight -= 10;
        stripBoxHeight = std::max(kMinBoxHeight, stripBoxHeight - 5);
    }

    for (int c = 0; c < 2; ++c) {
        const int x = kMargin + c * (kColumnWidth + kGutter);
        m_frames[c]->setGeometry(x, kMargin, kColumnWidth, columnHeight);
        const Column& col = columns[c];
        if (!col.upper)
            continue;
        int y = kTopPad;
        if (col.lower) {
            // The two boxes share what the taller column leaves over.
            const int spare = columnHeight - (kTopPad + upperLabel[c] + lowerLabel[c] +
                                              2 * kLabelGap + 2 * boxHeight + kQuestionGap + kPad);
            const int upperBox = boxHeight + spare / 2;
            const int lowerBox = boxHeight + spare - spare / 2;
            col.upper->label->setGeometry(kPad, y, inner, upperLabel[c]);
            y += upperLabel[c] + kLabelGap;
            col.upper->box->setGeometry(kPad, y, inner, upperBox);
            y += upperBox + kQuestionGap;
            col.lower->label->setGeometry(kPad, y, inner, lowerLabel[c]);
            y += lowerLabel[c] + kLabelGap;
            col.lower->box->setGeometry(kPad, y, inner, lowerBox);
        } else {
            col.upper->label->setGeometry(kPad, y, inner, upperLabel[c]);
            y += upperLabel[c] + kLabelGap;
            col.upper->box->setGeometry(kPad, y, inner, columnHeight - y - kPad);
        }
    }

    const int belowY = kMargin + columnHeight + kGutter;
    const int buttonX = kClientWidth - kMargin - kButtonWidth;
    if (strip) {
        const int h = kTopPad + stripLabel + kLabelGap + stripBoxHeight + kPad;
        m_frames[2]->setGeometry(kMargin, belowY, stripWidth, h);
        strip->label->setGeometry(kPad, kTopPad, stripWidth - 2 * kPad, stripLabel);
        strip->box->setGeometry(kPad, kTopPad + stripLabel + kLabelGap, stripWidth - 2 * kPad,
                                stripBoxHeight);
        // Save above Return, level with the strip's box.
        const int boxTop = belowY + kTopPad + stripLabel + kLabelGap;
        m_save->setGeometry(buttonX, boxTop, kButtonWidth, kButtonHeight);
        m_return->setGeometry(buttonX, boxTop + kButtonHeight + kButtonGap, kButtonWidth,
                              kButtonHeight);
    } else {
        const int saveX =
            m_design.saveUnderRightColumn ? kMargin + kColumnWidth + kGutter : kMargin;
        m_save->setGeometry(saveX, belowY, kButtonWidth, kButtonHeight);
        m_return->setGeometry(buttonX, belowY, kButtonWidth, kButtonHeight);
    }
    setFixedClientSizeTwips(kClientWidth * kTwipsPerPixel, clientHeight * kTwipsPerPixel);
}

void AnswerPage::activated() {
    std::size_t total = 0;
    for (const Question& q : m_questions)
        total += m_state.answers.textOf(*q.entry).size();
    const BusyCursor busy(total > kBusyAnswerBytes, this);
    for (const Question& q : m_questions)
        q.box->setAnswer(m_state.answers.textOf(*q.entry));
    ModifiedFlag = QStringLiteral("N");
    m_questions.front().box->setFocus(Qt::OtherFocusReason);
}

void AnswerPage::Save() {
    for (const Question& q : m_questions)
        m_state.answers.setTextOf(*q.entry, q.box->answer());
    ModifiedFlag = QStringLiteral("N");
}

void AnswerPage::Return() {
    if (ModifiedFlag == QStringLiteral("Y")) {
        const MsgButton answer = messageBox(QStringLiteral("Do you want to save your changes?"),
                                            QStringLiteral("Save Changes"), MsgIcon::Exclamation,
                                            MsgButton::Yes | MsgButton::No, MsgButton::Yes);
        if (answer == MsgButton::Yes)
            Save();
    }
    showWindow(QString::fromUtf8(m_design.sectionScreen));
    hide();
}

bool AnswerPage::closeRequested() {
    return confirmExitAndEnd();
}

} // namespace kt::questionnaire

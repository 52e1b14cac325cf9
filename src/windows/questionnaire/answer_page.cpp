#include "windows/questionnaire/answer_page.h"

#include "core/program_state.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/qs.h"
#include "ui/twips.h"
#include "windows/common/confirm_exit.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"
#include "windows/common/unsaved_work.h"
#include "windows/questionnaire/page_photos.h"
#include "windows/questionnaire/section_screen.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>
#include <stdexcept>

namespace kt::questionnaire {

using namespace kt::ui;
using namespace kt::windows;

namespace {

using enum Place;

// The answers' own size; zooming shows them larger or smaller than this.
constexpr double kAnswerPointSize = 12;

constexpr Place kChildhood1[] = {L1, L2, R1, B, R2};
constexpr LabelOverride kChildhood1Labels[] = {
    {"Lived", nullptr,
     "Where did you live grow- ing up?  If you moved during your childhood, which home was your "
     "favorite, and why?"},
};
constexpr Place kChildhood2[] = {L1, R1, L2, R2, B};
constexpr Place kHighSch1[] = {L1, L2, R1, R2, B};
constexpr Place kHighSch2[] = {L, R, B};
constexpr Place kFirstCar[] = {L1, L2, B, R1, R2};
constexpr Place kVolun1[] = {L1, L2, B, R1, R2};
constexpr LabelOverride kVolun1Labels[] = {{"Volun", "lblVolunteer", nullptr}};
constexpr Place kJobs[] = {L1, L2, R1, R2, B};
constexpr Place kCollege1[] = {L1, L2, R1, R2};
constexpr LabelOverride kCollege1Labels[] = {{"WhereWent", "lblWhereWhen", nullptr}};
constexpr Place kCollege2[] = {L1, L2, R};
constexpr LabelOverride kCollege2Labels[] = {
    {"Graduate", nullptr,
     "Did you graduate from college?  If yes, when? Did you go through the ceremony? Who was "
     "there to watch you?  Do you remember anything specific about the ceremony?"},
};
constexpr Place kCollege3[] = {L1, L2, R1, R2};
constexpr Place kMilitary1[] = {L, R, B};
constexpr Place kMilitary2[] = {L1, R1, L2, R2};
constexpr Place kWedding1[] = {L1, L2, R1, R2, B};
constexpr Place kWedding2[] = {L1, L2, R1, R2};
constexpr Place kTravel1[] = {L1, L2, R1, R2};
constexpr Place kTravel2[] = {L, R, B};
constexpr Place kLife1[] = {L, R, B};
constexpr Place kLife2[] = {L, B, R};
constexpr Place kFinal[] = {L1, L2, R1, R2};

using S = SectionId;
using enum TabOrder;
constexpr AnswerPageDesign kPages[] = {
    {QLatin1String("frmChildhood1"), "Kithtale - Childhood #1", S::Childhood, 1, kChildhood1,
     ByColumn, false, kChildhood1Labels},
    {QLatin1String("frmChildhood2"), "Kithtale - Childhood #2", S::Childhood, 2, kChildhood2,
     ByColumn},
    {QLatin1String("frmHighSch1"), "Kithtale - High School #1", S::HighSchool, 1, kHighSch1},
    {QLatin1String("frmHighSch2"), "Kithtale - High School #2", S::HighSchool, 2, kHighSch2},
    {QLatin1String("frmFirstCar"), "Kithtale - First Car", S::FirstCar, 1, kFirstCar},
    {QLatin1String("frmVolun1"), "Kithtale - Volunteering", S::Volunteering, 1, kVolun1, Ordinal,
     false, kVolun1Labels},
    {QLatin1String("frmJobs"), "Kithtale - Jobs", S::Jobs, 1, kJobs},
    {QLatin1String("frmCollege1"), "Kithtale - College #1", S::College, 1, kCollege1, Ordinal,
     false, kCollege1Labels},
    {QLatin1String("frmCollege2"), "Kithtale - College #2", S::College, 2, kCollege2, Ordinal, true,
     kCollege2Labels},
    {QLatin1String("frmCollege3"), "Kithtale - College #3", S::College, 3, kCollege3},
    {QLatin1String("frmMilitary1"), "Kithtale - Military #1", S::Military, 1, kMilitary1},
    {QLatin1String("frmMilitary2"), "Kithtale - Military #2", S::Military, 2, kMilitary2, ByColumn},
    {QLatin1String("frmWedding1"), "Kithtale - Wedding #1", S::Wedding, 1, kWedding1},
    {QLatin1String("frmWedding2"), "Kithtale - Wedding #2", S::Wedding, 2, kWedding2},
    {QLatin1String("frmTravel1"), "Kithtale - Travel #1", S::Travel, 1, kTravel1},
    {QLatin1String("frmTravel2"), "Kithtale - Travel #2", S::Travel, 2, kTravel2},
    {QLatin1String("frmLife1"), "Kithtale - Life in General #1", S::Life, 1, kLife1},
    {QLatin1String("frmLife2"), "Kithtale - Life in General #2", S::Life, 2, kLife2},
    {QLatin1String("frmFinal"), "Kithtale - Final Thoughts", S::Final, 1, kFinal},
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

// Down the left column, then the right one, then the strip.
int columnRank(Place p) {
    switch (p) {
    case L1:
    case L:
        return 0;
    case L2:
        return 1;
    case R1:
    case R:
        return 2;
    case R2:
        return 3;
    case B:
        break;
    }
    return 4;
}

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

QString answerPageName(SectionId section, int page) {
    for (const AnswerPageDesign& d : kPages)
        if (d.section == section && d.page == page)
            return d.name;
    throw std::logic_error("no such answer page");
}

// ---------------------------------------------------------------------------------------------

AnswerBox::AnswerBox(QWidget* parent, const QString& objectName) : TextControl(parent) {
    setObjectName(objectName);
    setFont(look::arial(kAnswerPointSize, false));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
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

void AnswerBox::showZoomed(double factor) {
    QFont f = font();
    f.setPointSizeF(kAnswerPointSize * factor);
    setFont(f);
}

QMenu* AnswerBox::createContextMenu(QPoint pos) {
    return createStandardContextMenu(pos);
}

// ---------------------------------------------------------------------------------------------

AnswerPage::AnswerPage(const AnswerPageDesign& design, ProgramState& state)
    : ProgramWindow(design.name, QString::fromUtf8(design.caption)), m_design(design),
      m_state(state) {
    const QuestionCatalog& catalog = QuestionCatalog::instance();

    m_frames[0] = new QGroupBox(this);
    m_frames[0]->setObjectName(QStringLiteral("Frame1"));
    m_frames[1] = new QGroupBox(this);
    m_frames[1]->setObjectName(QStringLiteral("Frame2"));
    const bool hasStrip =
        std::find(design.places.begin(), design.places.end(), B) != design.places.end();
    if (hasStrip) {
        m_frames[2] = new QGroupBox(this);
        m_frames[2]->setObjectName(QStringLiteral("Frame3"));
    }

    const auto entries = catalog.questionsOnPage(design.section, design.page);
    if (entries.size() != design.places.size())
        throw std::logic_error("a page lays out another number of questions than it asks");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const CatalogEntry& e = entries[i];
        const Place place = design.places[i];
        const LabelOverride* own = nullptr;
        for (const LabelOverride& o : design.labels)
            if (e.key.stem == o.stem)
                own = &o;
        QGroupBox* frame = inLeft(place) ? m_frames[0] : inRight(place) ? m_frames[1] : m_frames[2];

        const QString stem = qs(e.key.stem);
        auto* label = new QLabel(frame);
        label->setObjectName(own && own->labelName ? QString::fromUtf8(own->labelName)
                                                   : QStringLiteral("lbl") + stem);
        label->setTextFormat(Qt::PlainText);
        label->setText(own && own->labelText ? QString::fromUtf8(own->labelText) : qs(e.text));
        applyLabelLook(*label);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

        auto* box = new AnswerBox(frame, QStringLiteral("txt") + stem);
        box->setAccessibleName(qs(e.text));
        label->setBuddy(box);
        connect(box, &QPlainTextEdit::textChanged, this, [this] { ModifiedFlag = Modified::Yes; });

        m_questions.push_back({&e, place, label, box});
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

    std::vector<PagePhotos::Question> photoQuestions;
    for (const Question& q : m_questions)
        photoQuestions.push_back({q.entry, q.label, q.box});
    m_photos = new PagePhotos(*this, state, std::move(photoQuestions));

    // Tab order: the boxes as the page asks them or down its columns, then Photos, Save and
    // Return.
    std::vector<const Question*> order;
    for (const Question& q : m_questions)
        order.push_back(&q);
    if (design.tabOrder == TabOrder::ByColumn)
        std::stable_sort(order.begin(), order.end(), [](const Question* a, const Question* b) {
            return columnRank(a->place) < columnRank(b->place);
        });
    QList<QWidget*> chain;
    for (const Question* q : order)
        chain << q->box;
    chain << m_photos->button() << m_save << m_return;
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
        // Photos under them.
        m_photos->button()->setGeometry(buttonX, boxTop + 2 * (kButtonHeight + kButtonGap),
                                        kButtonWidth, kButtonHeight);
    } else {
        const int saveX =
            m_design.saveUnderRightColumn ? kMargin + kColumnWidth + kGutter : kMargin;
        m_save->setGeometry(saveX, belowY, kButtonWidth, kButtonHeight);
        m_return->setGeometry(buttonX, belowY, kButtonWidth, kButtonHeight);
        // Photos on the same row, beside Return.
        m_photos->button()->setGeometry(buttonX - kButtonGap - kButtonWidth, belowY, kButtonWidth,
                                        kButtonHeight);
    }
    setFixedClientSizeTwips(kClientWidth * kTwipsPerPixel, clientHeight * kTwipsPerPixel);
    m_photos->placeCounts();
}

void AnswerPage::activated() {
    m_photos->refresh();
    // Back from this page's own photo window the page is as it was left: what was typed and
    // not saved stays, in the box it was typed in.
    if (m_photos->takeReturn()) {
        m_photos->currentBox()->setFocus(Qt::OtherFocusReason);
        return;
    }
    std::size_t total = 0;
    for (const Question& q : m_questions)
        total += m_state.answers.textOf(*q.entry).size();
    const BusyCursor busy(total > kBusyAnswerBytes, this);
    for (const Question& q : m_questions)
        q.box->setAnswer(m_state.answers.textOf(*q.entry));
    ModifiedFlag = Modified::No;
    // Text brought back from a safety copy comes in as typed: unsaved, so Return asks.
    for (const Question& q : m_questions)
        if (const auto restored = UnsavedWork::current().takeBoxText(*q.entry))
            q.box->setAnswer(*restored);
    m_questions.front().box->setFocus(Qt::OtherFocusReason);
}

void AnswerPage::Save() {
    for (const Question& q : m_questions)
        m_state.answers.setTextOf(*q.entry, q.box->answer());
    ModifiedFlag = Modified::No;
}

void AnswerPage::Return() {
    if (ModifiedFlag == Modified::Yes) {
        const MsgButton answer = messageBox(QStringLiteral("Do you want to save your changes?"),
                                            QStringLiteral("Save Changes"), MsgIcon::Exclamation,
                                            MsgButton::Yes | MsgButton::No, MsgButton::Yes);
        if (answer == MsgButton::Yes)
            Save();
    }
    showWindow(sectionScreenName(m_design.section));
    hide();
}

bool AnswerPage::closeRequested() {
    return confirmExitAndEnd();
}

} // namespace kt::questionnaire

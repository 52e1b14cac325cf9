#pragma once

#include "core/question_catalog.h"
#include "ui/program_window.h"
#include "ui/text_control.h"

#include <QPlainTextEdit>

#include <span>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;

namespace kt {
struct ProgramState;
}

namespace kt::questionnaire {

class PagePhotos;

// Where a question stands on its page: upper or lower in the left or right column, alone in
// a column, or in the full-width strip under the columns.
enum class Place : std::uint8_t { L1, L2, R1, R2, L, R, B };

// A label that a page names or words otherwise than the rule (lbl + stem, the catalog's text).
struct LabelOverride {
    const char* stem;
    const char* labelName; // nullptr: "lbl" + stem
    const char* labelText; // nullptr: the catalog's text
};

// The order Tab takes through a page's boxes: the order the questions are asked in, or down the
// left column, then the right one, then the strip.
enum class TabOrder : std::uint8_t { Ordinal, ByColumn };

// One answer page. Its questions are the catalog's for this page of the section; the design says
// only how the page shows them.
struct AnswerPageDesign {
    QLatin1String name;
    const char* caption;
    SectionId section;
    int page;                      // of the section, from 1
    std::span<const Place> places; // one per question, in ordinal order
    TabOrder tabOrder = TabOrder::Ordinal;
    bool saveUnderRightColumn = false; // pages without a strip only
    std::span<const LabelOverride> labels = {};
};

// The nineteen pages in catalog order.
std::span<const AnswerPageDesign> answerPageDesigns();
// The name of the window that asks a page of a section's questions.
QString answerPageName(SectionId section, int page);

// A multi-line plain-text answer box. The store keeps line breaks as CR LF; the box works
// with its own paragraph breaks, so both directions convert. Any length is accepted and
// whatever is typed or pasted comes back character for character.
class AnswerBox : public ui::TextControl<QPlainTextEdit> {
    Q_OBJECT
public:
    AnswerBox(QWidget* parent, const QString& objectName);

    void setAnswer(const std::string& stored);
    std::string answer() const;

protected:
    // The box's font grows; the answer stays as typed and unmodified.
    void showZoomed(double factor) override;
    // The standard menu.
    QMenu* createContextMenu(QPoint pos) override;
    // Pasted or dropped rich text arrives as its plain text, also when it comes without one.
    bool takesHtml() const override { return true; }
};

// ModifiedFlag: "Y" when the boxes were edited since the page last filled or saved them, "N"
// otherwise.
enum class Modified : char { No = 'N', Yes = 'Y' };

// One answer page: a label and a box per question, Save and Return.
class AnswerPage : public ui::ProgramWindow {
    Q_OBJECT
public:
    AnswerPage(const AnswerPageDesign& design, ProgramState& state);

    // Fills the boxes from the store, then resets ModifiedFlag, then focuses the first box.
    void activated() override;
    // Writes every box into its slot, changed or not.
    void Save();
    // Offers to save when modified, then goes back to the section screen.
    void Return();

    // "Y" when the boxes were edited since the last fill or save; only "Y" counts.
    Modified modifiedFlag() const { return ModifiedFlag; }

protected:
    bool closeRequested() override;

private:
    struct Question {
        const CatalogEntry* entry;
        Place place;
        QLabel* label;
        AnswerBox* box;
    };

    void layOut();

    const AnswerPageDesign& m_design;
    ProgramState& m_state;
    std::vector<Question> m_questions; // in ordinal order
    QGroupBox* m_frames[3] = {};       // left column, right column, strip
    QPushButton* m_save = nullptr;
    QPushButton* m_return = nullptr;
    PagePhotos* m_photos = nullptr;
    Modified ModifiedFlag = Modified::No;
};

} // namespace kt::questionnaire

#pragma once

#include "core/question_catalog.h"
#include "ui/program_window.h"

#include <span>
#include <vector>

namespace kt {
struct ProgramState;
}
namespace kt::windows {
class BulletButton;
class ClickLabel;
} // namespace kt::windows

namespace kt::questionnaire {

// Where one row's label stands; its bullets share the y. Twips.
struct ScreenRowLayout {
    int y;
    int labelHeight;
    int labelWidth;
};

// One section screen. The rows' questions and pages come from the catalog; this holds only what
// the catalog does not know: the window's name, caption and layout.
struct SectionScreenDesign {
    SectionId section;
    QLatin1String name;
    const char* caption;
    int clientWidth;
    int clientHeight;
    std::span<const ScreenRowLayout> rows; // in ordinal order
    int returnX;
    int returnY;
};

// The eleven screens in section order.
std::span<const SectionScreenDesign> sectionScreenDesigns();
// The name of the section's screen window.
QString sectionScreenName(SectionId section);

// The table of contents of one section: a bullet and a label per question, each opening the
// question's answer page, and a Return button back to the main menu.
class SectionScreen : public ui::ProgramWindow {
    Q_OBJECT
public:
    SectionScreen(const SectionScreenDesign& design, ProgramState& state);

    void activated() override;
    // Gives every answered row the answered look; never goes back.
    void RefreshAnsweredMarks();
    // Shows the page and hides this screen.
    void OpenAnswerPage(const QString& page);
    // The step that opens the section's second answer page; nothing on a one-page section.
    void frm2();

    SectionId section() const { return m_design.section; }

protected:
    bool closeRequested() override;

private:
    struct Row {
        const CatalogEntry* entry;
        windows::BulletButton* plain;
        windows::BulletButton* answered;
        windows::ClickLabel* label;
    };

    void openRowPage(const CatalogEntry& entry);

    const SectionScreenDesign& m_design;
    ProgramState& m_state;
    std::vector<Row> m_rows;
};

} // namespace kt::questionnaire

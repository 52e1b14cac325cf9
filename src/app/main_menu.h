#pragma once

#include "platform/program_window.h"
#include "questionnaire/section_id.h"

#include <array>

namespace kt {
struct ProgramState;
}
namespace kt::platform {
class BulletButton;
}

namespace kt::app {

// frmMain: the hub. A grid of bullet-and-label entries built from one table.
class MainMenu : public platform::ProgramWindow {
    Q_OBJECT
public:
    explicit MainMenu(ProgramState& state);

    void activated() override;
    // Marks every complete section; never un-marks.
    void RefreshSectionMarks();

protected:
    bool closeRequested() override;

private:
    void LoadData();

    ProgramState& m_state;
    std::array<platform::BulletButton*, kSectionCount> m_plain{};
    std::array<platform::BulletButton*, kSectionCount> m_completed{};
};

} // namespace kt::app

#pragma once

#include "core/section_id.h"
#include "ui/program_window.h"

#include <array>

namespace kt {
struct ProgramState;
}
namespace kt::windows {
class BulletButton;
}

namespace kt::app {

// frmMain: the hub. A grid of bullet-and-label entries built from one table.
class MainMenu : public ui::ProgramWindow {
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
    std::array<windows::BulletButton*, kSectionCount> m_plain{};
    std::array<windows::BulletButton*, kSectionCount> m_completed{};
};

} // namespace kt::app

#pragma once

#include "ui/program_window.h"

#include <QPoint>
#include <QVector>

namespace kt::app {

// The star outline as window pixel coordinates.
QVector<QPoint> starPolygon();

// frmCredits2: a frameless navy window cut to the outline of a thirteen-pointed star, with the
// dedication and a Close that brings the about window back.
class CreditsWindow : public ui::ProgramWindow {
    Q_OBJECT
public:
    CreditsWindow();

    void applyGround() override;

protected:
    // Any other way of closing it (the window manager's close shortcut, Escape) goes back to the
    // about window too, so the program is never left with no window shown.
    bool closeRequested() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void backToAbout();
};

} // namespace kt::app

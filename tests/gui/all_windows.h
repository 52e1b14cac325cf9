#pragma once

// Every window of the program, as the window manager knows them, for checks that must hold on
// all of them. The text editor is left out: its first activation asks its reminder and composes
// the story, which the sweeps' scripted dialogs do not answer; its tests check it.
#include "support/program_fixture.h"
#include "windows/window_names.h"

#include <QStringList>

namespace kt::test {

inline QStringList allWindowNamesBut(const ui::WindowManager& windows, QLatin1String left) {
    QStringList names = windows.names();
    names.removeOne(left);
    return names;
}

} // namespace kt::test

#include "windows/common/confirm_exit.h"

#include "ui/dialogs.h"
#include "ui/window_manager.h"

namespace kt::windows {

using namespace kt::ui;

bool ConfirmExit() {
    return messageBox(QStringLiteral("Are you sure you want to exit?  Any information not saved "
                                     "TO A FILE will be lost."),
                      QStringLiteral("Kithtale"), MsgIcon::Exclamation,
                      MsgButton::Yes | MsgButton::No, MsgButton::No) == MsgButton::Yes;
}

bool confirmExitAndEnd() {
    if (!ConfirmExit())
        return false;
    WindowManager::instance().endProgram();
    return true;
}

} // namespace kt::windows

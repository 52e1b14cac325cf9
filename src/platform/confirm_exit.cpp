#include "platform/confirm_exit.h"

#include "platform/dialogs.h"
#include "platform/window_manager.h"

namespace kt::platform {

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

} // namespace kt::platform

#pragma once

#include "ui/dialogs.h"

namespace kt::bench {

// Answers every dialog at once: Find gets the text to look for, messages get OK, every other
// dialog is cancelled.
class QuietDialogs final : public ui::CancellingDialogs {
public:
    QString findText;
    int messages = 0;
    ui::MsgButton message(const ui::MessageRequest&) override {
        ++messages;
        return ui::MsgButton::Ok;
    }
    std::optional<QString> input(const ui::InputRequest&) override { return findText; }
};

} // namespace kt::bench

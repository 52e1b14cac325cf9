#pragma once

#include "ui/dialogs.h"

namespace kt::bench {

// Answers every dialog at once: Find gets the text to look for, messages get OK, every other
// dialog is cancelled.
class QuietDialogs final : public ui::Dialogs {
public:
    QString findText;
    int messages = 0;
    ui::MsgButton message(const ui::MessageRequest&) override {
        ++messages;
        return ui::MsgButton::Ok;
    }
    std::optional<QString> input(const ui::InputRequest&) override { return findText; }
    std::optional<QString> openFile(const ui::FileRequest&) override { return {}; }
    std::optional<QString> saveFile(const ui::FileRequest&) override { return {}; }
    std::optional<ui::FontChoice> font(const ui::FontRequest&) override { return {}; }
    std::optional<QColor> color(const QColor&) override { return {}; }
    bool printer(QPrinter&, const ui::PrinterRequest&) override { return false; }
    std::optional<int> choose(const ui::ChoiceRequest&) override { return {}; }
    bool form(QDialog&) override { return false; }
};

} // namespace kt::bench

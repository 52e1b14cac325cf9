#pragma once

#include "platform/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace kt::test {

// The dialog seam as a script: each kind of dialog takes its answers from a queue, and every
// request is recorded exactly as it was asked. A dialog asked with no answer queued fails the
// running test and answers as a cancel would.
class ScriptedDialogs : public platform::Dialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // An optional action runs while the dialog is "open", before the answer is returned.
    using During = std::function<void()>;

    void answerMessage(platform::MsgButton answer, During during = {});
    void answerInput(std::optional<QString> answer, During during = {});
    void answerOpen(std::optional<QString> answer, During during = {});
    void answerSave(std::optional<QString> answer, During during = {});
    void answerFont(std::optional<platform::FontChoice> answer, During during = {});
    void answerColor(std::optional<QColor> answer, During during = {});
    // A file name chooses "Print to File (PDF)" with that file; nullopt cancels.
    void answerPrinter(std::optional<QString> pdfFile, During during = {});

    std::vector<platform::MessageRequest> messages;
    std::vector<platform::InputRequest> inputs;
    std::vector<platform::FileRequest> opens;
    std::vector<platform::FileRequest> saves;
    std::vector<platform::FontRequest> fonts;
    std::vector<QColor> colors;
    std::vector<platform::PrinterRequest> printers;
    // Every request in the order asked, e.g. "message:Kithtale", "save", "input:Find".
    QStringList log;

    bool allAnswersUsed() const;
    // Answers whatever finds its queue empty, instead of failing the test (random walks). The
    // request is still recorded. The caller keeps ownership; nullptr goes back to failing.
    void answerOthersWith(platform::Dialogs* fallback) { m_fallback = fallback; }

    platform::MsgButton message(const platform::MessageRequest& request) override;
    std::optional<QString> input(const platform::InputRequest& request) override;
    std::optional<QString> openFile(const platform::FileRequest& request) override;
    std::optional<QString> saveFile(const platform::FileRequest& request) override;
    std::optional<platform::FontChoice> font(const platform::FontRequest& request) override;
    std::optional<QColor> color(const QColor& initial) override;
    bool printer(QPrinter& printer, const platform::PrinterRequest& request) override;

private:
    platform::Dialogs* m_fallback = nullptr;
    template <class T> struct Step {
        T answer;
        During during;
    };
    std::deque<Step<platform::MsgButton>> m_messages;
    std::deque<Step<std::optional<QString>>> m_inputs, m_opens, m_saves, m_printers;
    std::deque<Step<std::optional<platform::FontChoice>>> m_fonts;
    std::deque<Step<std::optional<QColor>>> m_colors;
};

// The exit confirmation exactly as it must be asked.
platform::MessageRequest confirmExitRequest();

} // namespace kt::test

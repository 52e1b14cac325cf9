#pragma once

#include "ui/dialogs.h"

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
class ScriptedDialogs : public ui::Dialogs {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // An optional action runs while the dialog is "open", before the answer is returned.
    using During = std::function<void()>;

    void answerMessage(ui::MsgButton answer, During during = {});
    void answerInput(std::optional<QString> answer, During during = {});
    void answerOpen(std::optional<QString> answer, During during = {});
    // For the dialog that chooses several files.
    void answerOpenFiles(std::optional<QStringList> answer, During during = {});
    void answerSave(std::optional<QString> answer, During during = {});
    void answerFont(std::optional<ui::FontChoice> answer, During during = {});
    void answerColor(std::optional<QColor> answer, During during = {});
    // A file name chooses "Print to File (PDF)" with that file; nullopt cancels.
    void answerPrinter(std::optional<QString> pdfFile, During during = {});
    // Fills in the program's own window as a user would; its result accepts or cancels it.
    using FormAnswer = std::function<bool(QDialog&)>;
    void answerForm(FormAnswer answer);
    // The row chosen from a list, from 0; nullopt cancels.
    void answerChoice(std::optional<int> row, During during = {});

    std::vector<ui::MessageRequest> messages;
    std::vector<ui::InputRequest> inputs;
    std::vector<ui::FileRequest> opens; // both open dialogs
    std::vector<ui::FileRequest> saves;
    std::vector<ui::FontRequest> fonts;
    std::vector<QColor> colors;
    std::vector<ui::PrinterRequest> printers;
    QStringList forms; // their object names
    std::vector<ui::ChoiceRequest> choices;
    // Every request in the order asked, e.g. "message:Kithtale", "save", "input:Find".
    QStringList log;

    bool allAnswersUsed() const;
    // Answers whatever finds its queue empty, instead of failing the test (random walks). The
    // request is still recorded. The caller keeps ownership; nullptr goes back to failing.
    void answerOthersWith(ui::Dialogs* fallback) { m_fallback = fallback; }

    ui::MsgButton message(const ui::MessageRequest& request) override;
    std::optional<QString> input(const ui::InputRequest& request) override;
    std::optional<QString> openFile(const ui::FileRequest& request) override;
    std::optional<QStringList> openFiles(const ui::FileRequest& request) override;
    std::optional<QString> saveFile(const ui::FileRequest& request) override;
    std::optional<ui::FontChoice> font(const ui::FontRequest& request) override;
    std::optional<QColor> color(const QColor& initial) override;
    bool printer(QPrinter& printer, const ui::PrinterRequest& request) override;
    bool form(QDialog& dialog) override;
    std::optional<int> choose(const ui::ChoiceRequest& request) override;

private:
    ui::Dialogs* m_fallback = nullptr;
    template <class T> struct Step {
        T answer;
        During during;
    };
    std::deque<Step<ui::MsgButton>> m_messages;
    std::deque<Step<std::optional<QString>>> m_inputs, m_opens, m_saves, m_printers;
    std::deque<Step<std::optional<QStringList>>> m_openFiles;
    std::deque<Step<std::optional<ui::FontChoice>>> m_fonts;
    std::deque<Step<std::optional<QColor>>> m_colors;
    std::deque<FormAnswer> m_forms;
    std::deque<Step<std::optional<int>>> m_choices;
};

// The exit confirmation exactly as it must be asked.
ui::MessageRequest confirmExitRequest();

} // namespace kt::test

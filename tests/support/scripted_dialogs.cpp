#include "support/scripted_dialogs.h"

#include <QDialog>
#include <QPrinter>

#include <gtest/gtest.h>

namespace kt::test {

using namespace kt::ui;

namespace {
template <class Q, class T> T take(Q& queue, const QString& what, T cancel) {
    if (queue.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << what.toStdString();
        return cancel;
    }
    auto step = std::move(queue.front());
    queue.pop_front();
    if (step.during)
        step.during();
    return step.answer;
}
} // namespace

ScriptedDialogs::ScriptedDialogs() {
    Dialogs::install(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    Dialogs::install(nullptr);
}

void ScriptedDialogs::answerMessage(MsgButton a, During d) {
    m_messages.push_back({a, std::move(d)});
}
void ScriptedDialogs::answerInput(std::optional<QString> a, During d) {
    m_inputs.push_back({std::move(a), std::move(d)});
}
void ScriptedDialogs::answerOpen(std::optional<QString> a, During d) {
    m_opens.push_back({std::move(a), std::move(d)});
}
void ScriptedDialogs::answerOpenFiles(std::optional<QStringList> a, During d) {
    m_openFiles.push_back({std::move(a), std::move(d)});
}
void ScriptedDialogs::answerSave(std::optional<QString> a, During d) {
    m_saves.push_back({std::move(a), std::move(d)});
}
void ScriptedDialogs::answerFont(std::optional<FontChoice> a, During d) {
    m_fonts.push_back({std::move(a), std::move(d)});
}
void ScriptedDialogs::answerColor(std::optional<QColor> a, During d) {
    m_colors.push_back({a, std::move(d)});
}
void ScriptedDialogs::answerPrinter(std::optional<QString> a, During d) {
    m_printers.push_back({std::move(a), std::move(d)});
}

void ScriptedDialogs::answerForm(FormAnswer a) {
    m_forms.push_back(std::move(a));
}

void ScriptedDialogs::answerChoice(std::optional<int> a, During d) {
    m_choices.push_back({a, std::move(d)});
}

bool ScriptedDialogs::allAnswersUsed() const {
    return m_messages.empty() && m_inputs.empty() && m_opens.empty() && m_openFiles.empty() &&
           m_saves.empty() && m_fonts.empty() && m_colors.empty() && m_printers.empty() &&
           m_forms.empty() && m_choices.empty();
}

MsgButton ScriptedDialogs::message(const MessageRequest& r) {
    messages.push_back(r);
    log << QStringLiteral("message:") + r.title;
    const MsgButton cancel = r.buttons.testFlag(MsgButton::Cancel) ? MsgButton::Cancel
                             : r.buttons.testFlag(MsgButton::No)   ? MsgButton::No
                                                                   : MsgButton::Ok;
    if (m_messages.empty() && m_fallback)
        return m_fallback->message(r);
    return take(m_messages, QStringLiteral("message \"") + r.text + QLatin1Char('"'), cancel);
}

std::optional<QString> ScriptedDialogs::input(const InputRequest& r) {
    inputs.push_back(r);
    log << QStringLiteral("input:") + r.title;
    if (m_inputs.empty() && m_fallback)
        return m_fallback->input(r);
    return take(m_inputs, QStringLiteral("input box ") + r.prompt, std::optional<QString>());
}

std::optional<QString> ScriptedDialogs::openFile(const FileRequest& r) {
    opens.push_back(r);
    log << QStringLiteral("open");
    if (m_opens.empty() && m_fallback)
        return m_fallback->openFile(r);
    return take(m_opens, QStringLiteral("open dialog"), std::optional<QString>());
}

std::optional<QStringList> ScriptedDialogs::openFiles(const FileRequest& r) {
    opens.push_back(r);
    log << QStringLiteral("openFiles");
    if (m_openFiles.empty() && m_fallback)
        return m_fallback->openFiles(r);
    return take(m_openFiles, QStringLiteral("open dialog for several files"),
                std::optional<QStringList>());
}

std::optional<QString> ScriptedDialogs::saveFile(const FileRequest& r) {
    saves.push_back(r);
    log << QStringLiteral("save");
    if (m_saves.empty() && m_fallback)
        return m_fallback->saveFile(r);
    return take(m_saves, QStringLiteral("save dialog"), std::optional<QString>());
}

std::optional<FontChoice> ScriptedDialogs::font(const FontRequest& r) {
    fonts.push_back(r);
    log << QStringLiteral("font");
    if (m_fonts.empty() && m_fallback)
        return m_fallback->font(r);
    return take(m_fonts, QStringLiteral("font dialog"), std::optional<FontChoice>());
}

std::optional<QColor> ScriptedDialogs::color(const QColor& initial) {
    colors.push_back(initial);
    log << QStringLiteral("color");
    if (m_colors.empty() && m_fallback)
        return m_fallback->color(initial);
    return take(m_colors, QStringLiteral("colour dialog"), std::optional<QColor>());
}

bool ScriptedDialogs::printer(QPrinter& printer, const PrinterRequest& r) {
    printers.push_back(r);
    log << QStringLiteral("printer");
    if (m_printers.empty() && m_fallback)
        return m_fallback->printer(printer, r);
    const std::optional<QString> pdf =
        take(m_printers, QStringLiteral("printer dialog"), std::optional<QString>());
    if (!pdf)
        return false;
    // As the real dialog leaves the printer on OK with "Print to File (PDF)" chosen.
    printer.setPrinterName(QString());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*pdf);
    return true;
}

bool ScriptedDialogs::form(QDialog& dialog) {
    forms << dialog.objectName();
    log << QStringLiteral("form:") + dialog.objectName();
    if (m_forms.empty() && m_fallback)
        return m_fallback->form(dialog);
    if (m_forms.empty()) {
        ADD_FAILURE() << "unexpected window: " << dialog.objectName().toStdString();
        return false;
    }
    const FormAnswer answer = std::move(m_forms.front());
    m_forms.pop_front();
    return answer(dialog);
}

std::optional<int> ScriptedDialogs::choose(const ChoiceRequest& r) {
    choices.push_back(r);
    log << QStringLiteral("choose:") + r.title;
    if (m_choices.empty() && m_fallback)
        return m_fallback->choose(r);
    return take(m_choices, QStringLiteral("list ") + r.title, std::optional<int>());
}

MessageRequest confirmExitRequest() {
    return {QStringLiteral("Are you sure you want to exit?  Any information not saved TO A FILE "
                           "will be lost."),
            QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Yes | MsgButton::No,
            MsgButton::No};
}

} // namespace kt::test

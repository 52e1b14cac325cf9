#include "windows/app/save_note.h"

#include "windows/window_names.h"

#include "core/program_state.h"
#include "ui/window_manager.h"
#include "windows/common/controls.h"
#include "windows/common/look.h"

#include <QLabel>
#include <QPushButton>

namespace kt::app {

using namespace kt::ui;
using namespace kt::windows;

namespace {

void setColour(QLabel* label, const QColor& colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}

} // namespace

SaveNote::SaveNote(ProgramState& state)
    : ProgramWindow(windows::kSaveNote, QStringLiteral("Kithtale")), m_state(state) {
    setFixedClientSizeTwips(5790, 4080);

    auto* label1 =
        addLabel(this, QStringLiteral("Label1"), QStringLiteral("NOTE:"), 120, 240, 585, 240);
    setColour(label1, look::darkRed());
    label1->setWordWrap(false);
    label1->adjustSize(); // sized to its text

    // Filled on activation.
    m_lblNote = addLabel(this, QStringLiteral("lblNote"), QString(), 120, 600, 5535, 1695);

    auto* label2 = addLabel(this, QStringLiteral("Label2"),
                            QStringLiteral("Don't delete either file if needed for future use!"),
                            120, 2400, 5655, 255);
    setColour(label2, look::darkRed());

    m_label3 = addLabel(this, QStringLiteral("Label3"), QString(), 120, 2760, 5535, 735);

    auto* ok =
        addButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"), 2280, 3480, 1335, 495);
    ok->setAccessibleDescription(
        QStringLiteral("Closes this note and goes on with saving your story to a file."));
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, [this] { accept(); });

    centreOnScreen();
}

void SaveNote::activated() {
    m_lblNote->setText(QStringLiteral(
        "When you save to a file, TWO files with the same name are actually created:  The main "
        "file, with a '.rtf' extension, and a data file, with a '.dat' extension.  These are "
        "saved in the same folder.  The '.dat' file is used to reload your information into the "
        "text boxes if you quit, restart the program and click on 'Load Previously Saved Data' "
        "on the Main page."));
    m_label3->setText(QStringLiteral("Changes to answers MUST be made in the individual text "
                                     "boxes in order to reload the correct information later!"));
    // A flag left from an earlier note never carries over.
    m_state.noteAccepted = NoteAccepted::No;
}

void SaveNote::accept() {
    m_state.noteAccepted = NoteAccepted::Yes;
    showWindow(windows::kTextEditor);
    hide();
}

} // namespace kt::app

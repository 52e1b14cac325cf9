#pragma once

#include "ui/program_window.h"

class QLabel;

namespace kt {
struct ProgramState;
}

namespace kt::app {

// frmNote: shown by the text editor before it asks for a file name. Explains the two files a
// save writes; OK sets NoteAccepted to "Y" and hands control back to the editor, whose
// activation then goes on with the save. A title-bar close simply destroys it.
class SaveNote : public ui::ProgramWindow {
    Q_OBJECT
public:
    explicit SaveNote(ProgramState& state);

    void activated() override;

private:
    // OK: the save goes on in the editor.
    void accept();

    ProgramState& m_state;
    QLabel* m_lblNote;
    QLabel* m_label3;
};

} // namespace kt::app

#include "windows/app/main_menu.h"

#include "core/answer_data_file.h"
#include "core/program_state.h"
#include "ui/dialogs.h"
#include "windows/common/unsaved_work.h"

#include <QFile>

namespace kt::app {

using namespace kt::ui;

// Reads a saved answer data file back into the store. Every way out but a good file is silent
// and leaves the store exactly as it was; nothing is refreshed here, each window shows the
// loaded answers at its next activation.
void MainMenu::LoadData() {
    const MsgButton answer = messageBox(
        QStringLiteral("NOTE:  Previously saved data must be data previously saved by THIS "
                       "program and must have a '.dat' extension.  Also, any current data not yet "
                       "saved TO A FILE will be lost.  Do you still want to load previously saved "
                       "data?"),
        QStringLiteral("Kithtale"), MsgIcon::Question,
        MsgButton::Yes | MsgButton::No | MsgButton::Cancel, MsgButton::Cancel);
    if (answer != MsgButton::Yes)
        return;

    FileRequest request;
    request.filter = QStringLiteral("Data Files (*.dat)|*.dat|");
    request.initialName = QString(); // an empty name field
    const std::optional<QString> chosen = Dialogs::current().openFile(request);
    if (!chosen || chosen->isEmpty())
        return;

    // Whatever its extension, the chosen file is read; the reader changes the store only when
    // the whole record was good.
    if (readDataFile(QFile::encodeName(*chosen).toStdString(), m_state.answers))
        windows::UnsavedWork::current().filed();
}

} // namespace kt::app

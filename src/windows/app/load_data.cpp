#include "windows/app/main_menu.h"

#include "core/photo_folder.h"
#include "core/program_state.h"
#include "ui/dialogs.h"
#include "windows/common/unsaved_work.h"

#include <QFile>

namespace kt::app {

using namespace kt::ui;

namespace {

void tellPhotosUnreadable(const QString& reason) {
    messageBox(QStringLiteral("The saved data was not loaded: the photos saved with it could not "
                              "be read.\n\nReason: ") +
                   reason + QStringLiteral("\n\nNothing has changed."),
               QStringLiteral("Kithtale"), MsgIcon::Exclamation, MsgButton::Ok, MsgButton::Ok);
}

} // namespace

// Reads a saved answer data file, and the photos saved beside it, back into the store. Every
// way out but a good file leaves the store exactly as it was, silently unless the photos were
// the trouble; nothing is refreshed here, each window shows the loaded answers at its next
// activation.
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

    // Whatever its extension, the chosen file is read, with the photos saved beside it; the
    // answers and photos change only when the whole record and every photo were good. Photos
    // that cannot be read are told: the answers beside them are good, and a silent refusal
    // would leave the user guessing.
    std::string error;
    switch (loadAnswersAndPhotos(QFile::encodeName(*chosen).toStdString(), m_state, &error)) {
    case LoadOutcome::Loaded:
        windows::UnsavedWork::current().filed();
        break;
    case LoadOutcome::PhotosUnreadable:
        tellPhotosUnreadable(QString::fromStdString(error));
        break;
    case LoadOutcome::DataFileUnreadable:
        break;
    }
}

} // namespace kt::app

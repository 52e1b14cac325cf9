#include "app/main_menu.h"

namespace kt::app {

// Reading a saved answer data file back into the store.
void MainMenu::LoadData() {}

} // namespace kt::app

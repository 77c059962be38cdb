// The settings: the boxes of the window and section "Pelko" of ConfigPath().
#pragma once

#include "monitor/window.h"

namespace pelko {

void LoadSettings(Window& window);
void SaveSettings(Window& window);
void RestoreDefaults(Window& window);

}  // namespace pelko

// The settings: the boxes of the window and "config.ini" beside the program.
#pragma once

#include "app/window.h"

namespace pelko {

void LoadSettings(Window& window);
void SaveSettings(Window& window);
void RestoreDefaults(Window& window);

// Path of "config.ini" beside the program, built anew on every call.
Text ConfigPath();

}  // namespace pelko

// The numbers of the program's resources: the resource script (Tapivex.rc)
// gives them, and the code that loads them uses the same names.
#pragma once

#define TAPIVEX_APPLICATION_ICON 1  // the main window's, the notification icon's and the About window's logo
#define TAPIVEX_SETTINGS_ICON 2     // the settings dialog's, which the About window takes too
#define TAPIVEX_HAND_CURSOR 101     // the pointer over the About window's links

// The dialog keys of the form windows (Tab in table order, Alt+mnemonics, Enter
// for the default button, Escape), which a message loop must hand over: the
// program's own through PreTranslateFormMessage, the system's modal loops (a
// message box, the folder picker) through the thread's message filter.
#pragma once

#include <windows.h>

namespace tapivex {

// A form window now exists, or no longer does. The first one sets up the
// thread's message filter, for the program's life.
void AddFormWindow(HWND form);
void RemoveFormWindow(HWND form);

// Call for every message of a message loop, before TranslateMessage: a key
// meant for a form window's dialog navigation is handled here, and true means
// the message must be neither translated nor dispatched.
bool PreTranslateFormMessage(MSG& message);

}  // namespace tapivex

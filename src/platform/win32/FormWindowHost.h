// The window host: turns a form's table (FormSpec) into a real window and
// routes its messages to the form's handlers.
//
// Each form is a modeless dialog built in code from an empty dialog template,
// so the dialog manager gives it the keys a user expects: Tab in table order,
// Alt+mnemonics, Enter for the default button, and the focus restored when the
// window is activated again. The message loop must hand it those keys through
// PreTranslateFormMessage.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/FormWindow.h"

namespace tapivex {

// The pointer shown over controls with a hand cursor; the system's hand stands
// in when the program carries no such resource.
inline constexpr int kHandCursorId = 101;

// The control at index i of a form's table has the control id kFirstControlId + i
// (GetDlgItem finds it; so can a test driver in another process).
inline constexpr int kFirstControlId = 100;

// The dots per inch of the monitor a window is on (the system's, before
// Windows 10), and twips (1/1440 inch) in pixels at that resolution.
int WindowDpi(HWND hwnd);
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

class Win32WindowFactory : public WindowFactory {
public:
    // Throws RuntimeFailure when the window cannot be created.
    std::unique_ptr<FormWindow> create(const FormSpec& layout, FormEvents& events) override;
};

// Call for every message of a message loop, before TranslateMessage: a key
// meant for a form window's dialog navigation is handled here, and true means
// the message must be neither translated nor dispatched.
bool PreTranslateFormMessage(MSG& message);

}  // namespace tapivex

// The window host: a form's table (FormSpec) becomes a real window, and the
// window's messages become the form's events.
//
// Each form is a modeless dialog built in code from an empty dialog template,
// so the dialog manager gives it the keys a user expects: Tab in table order,
// Alt+mnemonics, Enter for the default button, and the focus restored when the
// window is activated again. The message loops must hand it those keys
// (FormKeys.h).
#pragma once

#include <windows.h>

#include <memory>

#include "platform/FormWindow.h"

namespace tapivex {

class Win32WindowFactory : public WindowFactory {
public:
    // Throws RuntimeFailure when the window cannot be created.
    std::unique_ptr<FormWindow> create(const FormSpec& layout, FormEvents& events) override;
};

}  // namespace tapivex

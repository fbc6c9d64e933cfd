// The clock, the message boxes and the yield to waiting messages.
#include <windows.h>

#include "platform/win32/FormKeys.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Win32System.h"

namespace tapivex {

// ---- Clock ----

std::uint32_t Win32Clock::milliseconds() {
    // The system's millisecond counter since it started, wrapping at 2^32:
    // the same count as the multimedia timer's, without loading winmm.dll
    // into a program that idles all day. Its 10-16 ms steps vanish in the
    // rounding to whole seconds.
    return GetTickCount();
}

// ---- User interface ----

int Win32UserInterface::messageBox(std::uintptr_t owner, const std::wstring& text, unsigned style) {
    return MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), title_.c_str(), style | MB_SETFOREGROUND);
}

void Win32UserInterface::doEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The quit request belongs to the main loop: put it back and stop here.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (PreTranslateFormMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Win32UserInterface::initializeCom() { EnsureComInitialized(); }

}  // namespace tapivex

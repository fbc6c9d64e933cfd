// Real mouse and keyboard input for the end-to-end tests, sent with SendInput
// into the Wine desktop as a user's hand would, and the windows it reaches.
#pragma once

#include <windows.h>

#include <string>

#include "Harness.h"

namespace tapivex::e2e::input {

// Where the first notification icon sits in the 1024 x 768 test desktop.
POINT notificationIcon();

void click(POINT at, bool right = false);
void doubleClick(POINT at);
void key(WORD virtualKey);
// A key pressed with Alt held down: a mnemonic.
void altKey(WORD virtualKey);
void type(const std::wstring& text);

// A visible top-level window of that class and caption (caption "" matches any).
HWND findWindow(const wchar_t* className, const std::wstring& caption);
int countWindows(const wchar_t* className, const std::wstring& caption, bool hiddenToo = false);
HWND waitForWindow(const wchar_t* className, const std::wstring& caption, Milliseconds limit = shortWait);
bool waitForWindowGone(HWND window, Milliseconds limit = shortWait);
std::wstring windowText(HWND window);
// A control of a form window, by its row in the form's table.
HWND control(HWND form, int row);

}  // namespace tapivex::e2e::input

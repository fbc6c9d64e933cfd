// What the hidden main window offers to its handlers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tapivex {

// The notification icon's record, NOTIFYICONDATA in its first ANSI form.
struct NotifyIconRecord {
    std::uint32_t cbSize = 0;
    std::uintptr_t hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uintptr_t hIcon = 0;
    std::wstring szTip;  // 64 bytes in the ANSI code page, NUL included
};

// What the hidden main window hears: the messages that reach the program
// when none of its windows is open.
class MainWindowEvents {
public:
    virtual ~MainWindowEvents() = default;
    virtual void onTimer() = 0;  // Timer1, every interval while it runs
    // The notification icon's callback message; the mouse message's number
    // is in the low word of `lParam`.
    virtual void onNotifyIcon(std::uintptr_t lParam) = 0;
    // A close request from the system (WM_CLOSE, the end of the session).
    virtual void onCloseRequest() = 0;
    // The shell (re)started its taskbar: an icon added before is gone there.
    virtual void onTaskbarCreated() = 0;
};

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // True when another copy of the program was already running at this one's start.
    virtual bool previousInstance() = 0;
    // 0 stops Timer1; any other value makes it tick at that many milliseconds.
    virtual void setTimerInterval(unsigned milliseconds) = 0;
    // Moves the window; positions in twips, size unchanged.
    virtual void moveTo(int leftTwips, int topTwips) = 0;

    virtual std::uintptr_t windowHandle() = 0;
    // The application icon of the window.
    virtual std::uintptr_t iconHandle() = 0;
    // Shell_NotifyIconA with `message` (NIM_ADD 0, NIM_DELETE 2); the result is not examined.
    virtual void shellNotifyIcon(std::uint32_t message, const NotifyIconRecord& record) = 0;
    // Pops up a menu of `captions` ("-" is a separator) at the mouse pointer and
    // waits; returns the index of the chosen item, or -1 when it was dismissed.
    virtual int popUpMenu(const std::vector<std::wstring>& captions) = 0;
};

}  // namespace tapivex

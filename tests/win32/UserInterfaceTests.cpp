// The message pump that lets waiting window messages run in the middle of a handler.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

constexpr UINT kPing = WM_APP + 1;
int pings = 0;

LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
        ++pings;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class MessageOnlyWindow {
public:
    MessageOnlyWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = countingProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TapivexDoEventsTest";
        RegisterClassW(&windowClass);
        handle_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    }
    ~MessageOnlyWindow() { DestroyWindow(handle_); }
    MessageOnlyWindow(const MessageOnlyWindow&) = delete;
    MessageOnlyWindow& operator=(const MessageOnlyWindow&) = delete;
    HWND handle() const { return handle_; }

private:
    HWND handle_ = nullptr;
};

TEST(Win32UserInterface, DoEventsRunsWaitingMessagesAndLeavesTheQuitRequest) {
    MessageOnlyWindow window;
    ASSERT_NE(window.handle(), nullptr);
    Win32UserInterface ui;
    pings = 0;
    for (int i = 0; i < 3; ++i) {
        PostMessageW(window.handle(), kPing, 0, 0);
    }
    ui.doEvents();
    EXPECT_EQ(pings, 3);

    PostQuitMessage(7);
    ui.doEvents();
    MSG message = {};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace tapivex

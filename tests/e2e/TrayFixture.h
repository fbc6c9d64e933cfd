// A program folder whose copies go to a folder of its own, and the ways a user
// reaches the running program: the icon's menu, the settings dialog.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "Harness.h"
#include "Input.h"

namespace tapivex::e2e {

inline const std::wstring kSettingsCaption = L"オプション設定";
inline const std::wstring kAboutCaption = L"ﾊﾞｰｼﾞｮﾝ情報";
// Rows of the settings dialog's and the About window's tables.
enum OptionRow { kText1 = 4, kCombo1 = 8, kOpt1 = 10, kOpt2 = 11, kTxtPath = 12 };
enum AboutRow { kTitleLabel = 1, kVersionLabel = 2, kOkButton = 6 };

inline POINT Centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class TrayAndWindows : public ::testing::Test {
protected:
    void SetUp() override {
        desktop::reset();
        // Converted images go to a folder of the test's own.
        folder.write(L"cache\\keep.txt", "");
        folder.write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + cache() + L"\r\n"));
        folder.writeBitmap(L"pic.jpg.bmp", 200, 30, 30);  // ".JPG" in the name: converted
        folder.writeBitmap(L"b.bmp", 30, 30, 200);
        list = "600:3\r\npic.jpg.bmp\r\nb.bmp\r\n";
        folder.writeList(list);
    }
    void TearDown() override { desktop::reset(); }

    std::wstring cache() const { return folder.file(L"cache"); }
    std::wstring converted() const { return cache() + L"\\TapiVEX0.BMP"; }
    static bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // Selects the whole text of a control and types `text` over it.
    static void typeOver(HWND control, const std::wstring& text) {
        HWND window = GetAncestor(control, GA_ROOT);
        waitUntil([&] { return GetForegroundWindow() == window; }, shortWait);
        // The focus moves as Tab would move it; then the keys replace the text.
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        SendMessageW(control, EM_SETSEL, 0, -1);
        if (text.empty()) input::key(VK_BACK);
        input::type(text);
    }

    std::unique_ptr<ProgramRun> start() {
        auto run = std::make_unique<ProgramRun>(folder.exe());
        run->waitForIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the icon reaches the notification area
        return run;
    }
    // Right-clicks the icon until the menu shows: right after start the
    // desktop may not have placed the icon yet. Presses are spaced beyond the
    // double-click time, or the icon would see a double click.
    HWND openMenu() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            input::click(input::notificationIcon(), true);
            if (HWND menu = input::waitForWindow(L"#32768", L"", std::chrono::milliseconds(1500))) return menu;
        }
        return nullptr;
    }
    // The dialog, once it is shown and takes the user's clicks. A double click
    // that came before the icon was in place is repeated, as a user would.
    HWND openSettings() {
        HWND dialog = nullptr;
        for (int attempt = 0; attempt < 3 && !dialog; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(GetDoubleClickTime() + 100));
            input::doubleClick(input::notificationIcon());
            dialog = input::waitForWindow(L"#32770", kSettingsCaption, std::chrono::milliseconds(2500));
        }
        if (dialog) waitUntil([&] { return GetForegroundWindow() == dialog; }, shortWait);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return dialog;
    }

    const ProgramFolder folder;
    std::string list;
};

}  // namespace tapivex::e2e

// The driver of the end-to-end tests: the real Tapivex.exe, copied into a program
// folder of its own, started as a user starts it, worked with real input through
// the notification icon, and watched from outside through what a user can see or
// find: its windows and message boxes, the desktop's registry values, the screen,
// and whether it still runs.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace tapivex::e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;
using testing::bitmap;

// The texts of the program's windows and message boxes.
namespace messages {
inline const std::wstring title = L"タピベックス";
inline const std::wstring intervalNotNumeric = L"書式にエラーがあります。1行目の時間は数字で書いてください。";
inline const std::wstring cannotStart = L"Tapivex.INIが存在しないか、書式エラーで起動できません。";
inline const std::wstring settingsCaption = L"オプション設定";
inline const std::wstring aboutCaption = L"ﾊﾞｰｼﾞｮﾝ情報";
}  // namespace messages

// Rows of the settings dialog's and the About window's tables.
enum OptionRow { kText1 = 4, kOpt2 = 11, kTxtPath = 12, kCommand2 = 15 };
enum AboutRow { kTitleLabel = 1, kVersionLabel = 2, kHomePageLabel = 4, kOkButton = 6 };

// Polls `condition` every 50 ms until it holds or `limit` has passed. Every wait is
// bounded, so that a broken program fails a test instead of hanging it.
bool waitUntil(const std::function<bool()>& condition, Milliseconds limit = 5s);

std::string shiftJis(const std::wstring& text);
bool exists(const std::wstring& path);
// The Windows temporary folder, with its trailing backslash.
std::wstring tempFolder();

// A fresh folder holding a copy of Tapivex.exe, named after the running test and
// removed with all it holds at the end.
class ProgramFolder : public testing::TestFolder {
public:
    ProgramFolder();
    std::wstring exe() const { return file(L"Tapivex.exe"); }
    void writeList(const std::string& bytes) const { write(L"Tapivex.INI", bytes); }
    // Converted copies go to `folder`.
    void writeSettings(const std::wstring& folder) const {
        write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + folder + L"\r\n"));
    }
};

// One run of the program, started with another current directory than its
// folder. The destructor kills it when it still runs.
class ProgramRun {
public:
    explicit ProgramRun(const std::wstring& exe);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool running() const;
    // The exit code once the program has ended within `limit`.
    std::optional<DWORD> waitForExit(Milliseconds limit = 5s) const;
    // Ended within `limit` with another exit code than a crash's: an unhandled exception or the runtime's abort.
    bool endsWithoutACrash(Milliseconds limit = 5s) const {
        const auto code = waitForExit(limit);
        return code && *code < 0xC0000000u && *code != 3;
    }
    // A visible message box of this process with the program's title, once there within `limit`.
    HWND messageBox(Milliseconds limit = 0s) const;
    // The text of the message box that comes within `limit`, which is then answered with `button`.
    std::wstring answer(int button = IDOK, Milliseconds limit = 5s) const;
    HWND mainWindow() const;
    // A close request to the main window, as the system's task list sends; true on a clean end.
    bool close() const;
    HANDLE handle() const { return process_.hProcess; }

private:
    PROCESS_INFORMATION process_{};
};

// HKCU\Control Panel\Desktop, where the system keeps the wallpaper setting.
namespace desktop {
std::optional<std::wstring> value(const std::wstring& name);
// Wallpaper set to the empty text, WallpaperStyle and TileWallpaper deleted.
void reset();
std::wstring wallpaper();
// Wallpaper once it is another than `previous` within `limit`; empty when it is not.
std::wstring waitForWallpaperOtherThan(const std::wstring& previous, Milliseconds limit);
// The next `count` values of Wallpaper, each within `limit` of the one before.
std::vector<std::wstring> nextWallpapers(int count, Milliseconds limit);
}  // namespace desktop

// Real input through SendInput, and the windows it reaches.
namespace input {
POINT notificationIcon();
POINT centre(HWND window);
void click(POINT at, bool right = false);
void key(WORD virtualKey);
void altKey(WORD virtualKey);  // a mnemonic
void type(const std::wstring& text);
}  // namespace input

// Top-level windows of that class and caption ("" for any), visible ones unless `hiddenToo`.
std::vector<HWND> windows(const wchar_t* className, const std::wstring& caption, bool hiddenToo = false);
HWND waitForWindow(const wchar_t* className, const std::wstring& caption, Milliseconds limit = 5s);
bool waitForWindowGone(HWND window, Milliseconds limit = 5s);
std::wstring windowText(HWND window);
HWND control(HWND form, int row);

// A program folder whose copies go to its subfolder "cache" (beside a file of the
// user's), with a list of a converted entry and a bitmap; the ways a user reaches
// the running program.
class TrayAndWindows : public ::testing::Test {
protected:
    void SetUp() override;
    // The desktop must not keep naming pictures that are about to be deleted.
    void TearDown() override { desktop::reset(); }

    std::wstring cache() const { return folder.file(L"cache"); }
    std::wstring converted() const { return cache() + L"\\TapiVEX0.BMP"; }
    // Starts the program and waits until its icon is in place.
    std::unique_ptr<ProgramRun> start() const;
    // Right-clicks the icon until its menu shows; then chooses the item of `mnemonic`, if any.
    HWND openMenu(WORD mnemonic = 0) const;
    // Double-clicks the icon until the settings dialog shows and has the focus; a failure of the test when it does not.
    HWND openSettings() const;
    // Selects the whole text of a control and types `text` over it.
    static void typeOver(HWND control, const std::wstring& text);
    // Clicks a control until `done`: a click that only activated its window is repeated, as a user would.
    static bool clickUntil(HWND control, const std::function<bool()>& done);

    const ProgramFolder folder;
    std::string list;
};

}  // namespace tapivex::e2e

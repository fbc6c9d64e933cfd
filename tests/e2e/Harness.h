// The driver of the end-to-end tests: the real Tapivex.exe, copied into a program
// folder of its own, started as a user starts it, worked with real input through
// the notification icon, and watched from outside through what a user can see or
// find: its windows and message boxes, the desktop's registry values, the screen,
// and whether it still runs.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TestFiles.h"
#include "platform/win32/FormLayout.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

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

inline void pause(Milliseconds time) { std::this_thread::sleep_for(time); }

// Polls `condition` every 50 ms until it holds or `limit` has passed. Every wait is
// bounded, so that a broken program fails a test instead of hanging it.
inline bool waitUntil(const std::function<bool()>& condition, Milliseconds limit = 5s) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !condition(); pause(50ms)) {
        if (std::chrono::steady_clock::now() >= end) return false;
    }
    return true;
}

inline std::string shiftJis(const std::wstring& text) {
    std::string bytes(text.size() * 2 + 1, '\0');
    bytes.resize(WideCharToMultiByte(932, 0, text.c_str(), -1, bytes.data(), bytes.size(), nullptr, nullptr) - 1);
    return bytes;
}

inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The Windows temporary folder, with its trailing backslash.
inline std::wstring tempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

inline std::wstring windowText(HWND window) {
    // WM_GETTEXT reaches a control's own text in the program's process.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
    return std::wstring(text, length);
}

// EnumWindows' callback: collects every top-level window. A CALLBACK function, since a
// lambda converts only to a cdecl pointer, which the 32-bit WNDENUMPROC is not.
inline BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// Top-level windows of that class and caption ("" for any), visible ones unless `hiddenToo`.
inline std::vector<HWND> windows(const wchar_t* className, const std::wstring& caption, bool hiddenToo = false) {
    std::vector<HWND> all, found;
    EnumWindows(&collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if ((hiddenToo || IsWindowVisible(window)) && name == std::wstring(className) &&
            (caption.empty() || windowText(window) == caption)) {
            found.push_back(window);
        }
    }
    return found;
}

inline HWND waitForWindow(const wchar_t* className, const std::wstring& caption, Milliseconds limit = 5s) {
    std::vector<HWND> found;
    waitUntil([&] { return !(found = windows(className, caption)).empty(); }, limit);
    return found.empty() ? nullptr : found.back();
}

inline bool waitForWindowGone(HWND window, Milliseconds limit = 5s) {
    return waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limit);
}

// The control of a row of the form's table (frmOption::Text1, frmVersion::Label2), numbered as the host numbers it.
inline HWND control(HWND form, int row) { return GetDlgItem(form, kFirstControlId + row); }

// A fresh folder holding a copy of Tapivex.exe, named after the running test and
// removed with all it holds at the end.
class ProgramFolder : public testing::TestFolder {
public:
    ProgramFolder() : TestFolder(buildFolder() + L"\\e2e-run") {
        std::filesystem::copy_file(buildFolder() + L"\\Tapivex.exe", exe(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::wstring exe() const { return file(L"Tapivex.exe"); }
    void writeList(const std::string& bytes) const { write(L"Tapivex.INI", bytes); }
    // Converted copies go to `folder`.
    void writeSettings(const std::wstring& folder) const {
        write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + folder + L"\r\n"));
    }

private:
    // The build folder (a Linux path) as a Windows path: Wine's Z: drive maps the Linux root.
    static std::wstring buildFolder() {
        std::wstring path = L"Z:" + std::filesystem::path(TAPIVEX_EXE_DIR).wstring();
        for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
        return path;
    }
};

// One run of the program, started with another current directory than its
// folder. The destructor kills it when it still runs.
class ProgramRun {
public:
    explicit ProgramRun(const std::wstring& exe) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            tempFolder().c_str(), &startup, &process_)) {
            throw std::runtime_error("cannot start Tapivex.exe, error " + std::to_string(GetLastError()));
        }
    }
    ~ProgramRun() {
        TerminateProcess(process_.hProcess, 1);  // fails when the program has ended
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code once the program has ended within `limit`.
    std::optional<DWORD> waitForExit(Milliseconds limit = 5s) const {
        DWORD code = 0;
        if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return {};
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    // Ended within `limit` with another exit code than a crash's: an unhandled exception or the runtime's abort.
    bool endsWithoutACrash(Milliseconds limit = 5s) const {
        const auto code = waitForExit(limit);
        return code && *code < 0xC0000000u && *code != 3;
    }
    // A visible message box of this process with the program's title, once there within `limit`.
    HWND messageBox(Milliseconds limit = 0s) const {
        HWND box = nullptr;
        waitUntil([&] {
            for (HWND window : windows(L"#32770", messages::title)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                box = owner == process_.dwProcessId ? window : box;
            }
            return box != nullptr || !running();
        }, limit);
        return box;
    }
    // The text of the message box that comes within `limit`, which is then answered with `button`.
    std::wstring answer(int button = IDOK, Milliseconds limit = 5s) const {
        HWND box = messageBox(limit);
        if (!box) return L"<no message box>";
        // The text control of a message box: 0xFFFF on Windows, 100 under Wine. A box still
        // being laid out may not have its text yet.
        std::wstring text;
        waitUntil([&] { return !(text = windowText(GetDlgItem(box, GetDlgItem(box, 0xFFFF) ? 0xFFFF : 100))).empty(); },
                  1s);
        SendMessageTimeoutW(GetDlgItem(box, button), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        // A box that did not take the click (its thread busy) gets the command itself.
        if (IsWindow(box)) PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        waitForWindowGone(box);
        return text;
    }
    HWND mainWindow() const {
        HWND found = nullptr;
        waitUntil([&] { return (found = FindWindowW(L"TapivexMain", nullptr)) != nullptr || !running(); });
        return found;
    }
    // A close request to the main window, as the system's task list sends; true on a clean end.
    bool close() const {
        PostMessageW(mainWindow(), WM_CLOSE, 0, 0);
        return waitForExit(10s) == 0u;
    }
    HANDLE handle() const { return process_.hProcess; }

private:
    PROCESS_INFORMATION process_{};
};

// HKCU\Control Panel\Desktop, where the system keeps the wallpaper setting.
namespace desktop {
inline const wchar_t* const key = L"Control Panel\\Desktop";

inline std::optional<std::wstring> value(const std::wstring& name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size)) return {};
    return data;
}

// Wallpaper set to the empty text, WallpaperStyle and TileWallpaper deleted.
inline void reset() {
    if (RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Wallpaper", REG_SZ, L"", sizeof(wchar_t))) {
        throw std::runtime_error("cannot write the desktop's registry key");
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"WallpaperStyle");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"TileWallpaper");
}

inline std::wstring wallpaper() { return value(L"Wallpaper").value_or(L""); }

// Wallpaper once it is another than `previous` within `limit`; empty when it is not.
inline std::wstring waitForWallpaperOtherThan(const std::wstring& previous, Milliseconds limit) {
    std::wstring current;
    return waitUntil([&] { return (current = wallpaper()) != previous; }, limit) ? current : L"";
}

// The next `count` values of Wallpaper, each within `limit` of the one before.
inline std::vector<std::wstring> nextWallpapers(int count, Milliseconds limit) {
    std::vector<std::wstring> seen;
    std::wstring last = wallpaper();
    while (static_cast<int>(seen.size()) < count && !(last = waitForWallpaperOtherThan(last, limit)).empty()) {
        seen.push_back(last);
    }
    return seen;
}
}  // namespace desktop

// Real input through SendInput, and the windows it reaches.
namespace input {
inline void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    pause(60ms);
}

inline INPUT mouse(DWORD flags, POINT at = {}) {
    INPUT input{INPUT_MOUSE, {}};
    input.mi = {MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1),
                MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1), 0, flags, 0, 0};
    return input;
}

inline INPUT keyboard(WORD virtualKey, WORD scan, DWORD flags) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki = {virtualKey, scan, flags, 0, 0};
    return input;
}

inline POINT notificationIcon() { return {GetSystemMetrics(SM_CXSCREEN) - 12, GetSystemMetrics(SM_CYSCREEN) - 10}; }

inline POINT centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void click(POINT at, bool right = false) {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
    // A hand's press and release are apart: a menu opens on the press.
    send({mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN)});
    pause(150ms);
    send({mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)});
}

inline void doubleClick(POINT at) {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
    send({mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP), mouse(MOUSEEVENTF_LEFTDOWN),
          mouse(MOUSEEVENTF_LEFTUP)});
}

inline void key(WORD virtualKey) { send({keyboard(virtualKey, 0, 0), keyboard(virtualKey, 0, KEYEVENTF_KEYUP)}); }

// A mnemonic.
inline void altKey(WORD virtualKey) {
    send({keyboard(VK_MENU, 0, 0), keyboard(virtualKey, 0, 0), keyboard(virtualKey, 0, KEYEVENTF_KEYUP),
          keyboard(VK_MENU, 0, KEYEVENTF_KEYUP)});
}

inline void type(const std::wstring& text) {
    for (wchar_t c : text) {
        send({keyboard(0, c, KEYEVENTF_UNICODE), keyboard(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)});
    }
}
}  // namespace input

// A program folder whose copies go to its subfolder "cache" (beside a file of the
// user's), with a list of a converted entry and a bitmap; the ways a user reaches
// the running program.
class TrayAndWindows : public ::testing::Test {
protected:
    void SetUp() override {
        desktop::reset();
        folder.write(L"cache\\keep.txt", "keep");
        folder.writeSettings(cache());
        folder.write(L"pic.jpg.bmp", bitmap(16, 16, 0xC81E1E));  // ".JPG" in the name: converted
        folder.write(L"b.bmp", bitmap(16, 16, 0x1E1EC8));
        folder.writeList(list = "600:3\r\npic.jpg.bmp\r\nb.bmp\r\n");
    }
    // The desktop must not keep naming pictures that are about to be deleted.
    void TearDown() override { desktop::reset(); }

    std::wstring cache() const { return folder.file(L"cache"); }
    std::wstring converted() const { return cache() + L"\\TapiVEX0.BMP"; }
    // Starts the program and waits until its icon is in place.
    std::unique_ptr<ProgramRun> start() const {
        auto run = std::make_unique<ProgramRun>(folder.exe());
        WaitForInputIdle(run->handle(), 5000);
        pause(700ms);  // the icon reaches the notification area
        return run;
    }
    // Right-clicks the icon until its menu shows; then chooses the item of `mnemonic`, if any.
    HWND openMenu(WORD mnemonic = 0) const {
        const HWND menu = onIcon(false, L"#32768", L"", 1500ms);
        if (menu && mnemonic) input::key(mnemonic);
        return menu;
    }
    // Double-clicks the icon until the settings dialog shows and has the focus; a failure of the test when it does not.
    HWND openSettings() const {
        const HWND dialog = onIcon(true, L"#32770", messages::settingsCaption, 2500ms);
        EXPECT_TRUE(dialog) << "no settings dialog on a double click at the icon";
        waitUntil([&] { return GetForegroundWindow() == dialog; });
        pause(300ms);
        return dialog;
    }
    // Selects the whole text of a control and types `text` over it.
    static void typeOver(HWND control, const std::wstring& text) {
        HWND window = GetAncestor(control, GA_ROOT);
        waitUntil([&] { return GetForegroundWindow() == window; });
        // The focus moves as Tab would move it; then the keys replace the text.
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        SendMessageW(control, EM_SETSEL, 0, -1);
        if (text.empty()) input::key(VK_BACK);
        input::type(text);
    }
    // Clicks a control until `done`: a click that only activated its window is repeated, as a user would.
    static bool clickUntil(HWND control, const std::function<bool()>& done) {
        for (int attempt = 0; attempt < 3 && !done(); ++attempt) {
            input::click(input::centre(control));
            waitUntil(done, 1500ms);
        }
        return done();
    }

    const ProgramFolder folder;
    std::string list;

private:
    // Clicks the icon with the right button, or double-clicks it, until a window of that
    // class and caption shows. Right after start the desktop may not have placed the icon
    // yet: up to three tries. Presses are spaced beyond the double-click time, or the icon
    // would see a double click.
    static HWND onIcon(bool twice, const wchar_t* className, const std::wstring& caption, Milliseconds limit) {
        HWND window = nullptr;
        for (int attempt = 0; attempt < 3 && !window; ++attempt) {
            pause(Milliseconds(GetDoubleClickTime() + 100));
            twice ? input::doubleClick(input::notificationIcon()) : input::click(input::notificationIcon(), true);
            window = waitForWindow(className, caption, limit);
        }
        return window;
    }
};

}  // namespace tapivex::e2e

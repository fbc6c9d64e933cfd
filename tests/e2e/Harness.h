// The driver of the end-to-end tests: the real Tapivex.exe, copied into a program
// folder of its own, started as a user starts it, and watched from outside through
// what a user can see or find: its message boxes, its windows, the desktop's
// registry values and whether it is still running.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tapivex::e2e {

// The texts that the program shows in its message boxes.
namespace messages {
inline const std::wstring title = L"タピベックス";
inline const std::wstring intervalNotNumeric = L"書式にエラーがあります。1行目の時間は数字で書いてください。";
inline const std::wstring styleNotNumeric = L"書式にエラーがあります。1行目の壁紙表示サイズは数字で書いてください。";
inline const std::wstring cannotStart = L"Tapivex.INIが存在しないか、書式エラーで起動できません。";
inline const std::wstring noWallpaper = L"壁紙の指定がありません";
inline const std::wstring alreadyRunning = L"すでに起動しています";
}  // namespace messages

using Milliseconds = std::chrono::milliseconds;

// Every wait of the tests is bounded by one of these, so that a broken program fails a
// test instead of hanging it.
inline constexpr Milliseconds shortWait{5000};

// Text in the Japanese ANSI code page (Shift-JIS), as the list file holds it.
std::string shiftJis(const std::wstring& text);

// A 16x16 24-bit bitmap file of one colour.
std::string bitmapBytes(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// A fresh folder holding a copy of Tapivex.exe, named after the running test and removed
// with all it holds at the end.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    std::wstring exe() const { return file(L"Tapivex.exe"); }

    // Writes a file below the folder, making its subfolders, as raw bytes.
    void write(const std::wstring& relative, const std::string& bytes) const;
    void writeList(const std::string& bytes) const { write(L"Tapivex.INI", bytes); }
    // A bitmap of one colour; returns its absolute path.
    std::wstring writeBitmap(const std::wstring& relative, std::uint8_t red, std::uint8_t green,
                             std::uint8_t blue) const;
    std::string read(const std::wstring& relative) const;

private:
    std::wstring path_;
};

// A message box of the program, seen from outside.
class MessageBoxWindow {
public:
    explicit MessageBoxWindow(HWND window) : window_(window) {}
    std::wstring text() const;
    // Presses the OK button as a click would.
    void pressOk() const;

private:
    HWND window_;
};

// One run of the program. The destructor kills it when it is still running.
class ProgramRun {
public:
    // Starts `exe` with a current directory other than its own folder.
    explicit ProgramRun(const std::wstring& exe);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool running() const;
    // The exit code once the program has ended within `limit`; nullopt when it still runs.
    std::optional<DWORD> waitForExit(Milliseconds limit = shortWait) const;
    // A visible message box with the program's title, owned by this process.
    std::optional<MessageBoxWindow> findMessageBox() const;
    std::optional<MessageBoxWindow> waitForMessageBox(Milliseconds limit = shortWait) const;
    // The program's hidden main window, once it exists.
    HWND waitForMainWindow(Milliseconds limit = shortWait) const;
    // Waits until the program has finished starting and waits for input.
    void waitForIdle(Milliseconds limit = shortWait) const;

private:
    PROCESS_INFORMATION process_{};
};

// True for the exit codes of a crash: an unhandled exception (NTSTATUS error codes) or
// the runtime's abort.
bool isCrashCode(DWORD exitCode);

// HKCU\Control Panel\Desktop, where the system keeps the wallpaper setting.
namespace desktop {
// A string value; nullopt when it is absent or not a REG_SZ.
std::optional<std::wstring> value(const std::wstring& name);
// Wallpaper set to the empty text, WallpaperStyle and TileWallpaper deleted.
void reset();
std::wstring wallpaper();
// Polls the Wallpaper value until it differs from `previous`; nullopt at `limit`.
std::optional<std::wstring> waitForWallpaperOtherThan(const std::wstring& previous, Milliseconds limit);
}  // namespace desktop

// What the screen shows in `area`: one 0x00RRGGBB value a pixel, row by row.
std::vector<std::uint32_t> capture(const RECT& area);
// The share of pixels that two captures of one area have alike.
double alike(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

// Polls `condition` every 50 ms until it holds or `limit` has passed.
bool waitUntil(const std::function<bool()>& condition, Milliseconds limit);

}  // namespace tapivex::e2e

#include "Harness.h"

#include <filesystem>
#include <stdexcept>
#include <thread>

namespace tapivex::e2e {
namespace {

namespace fs = std::filesystem;
const wchar_t* const desktopKey = L"Control Panel\\Desktop";

// The build folder (a Linux path) as a Windows path: Wine's Z: drive maps the Linux root.
std::wstring buildFolder() {
    std::wstring path = L"Z:" + fs::path(TAPIVEX_EXE_DIR).wstring();
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    return path;
}

void pause(Milliseconds time) { std::this_thread::sleep_for(time); }

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    pause(60ms);
}

INPUT mouse(DWORD flags, POINT at = {}) {
    INPUT input{INPUT_MOUSE, {}};
    input.mi = {MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1),
                MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1), 0, flags, 0, 0};
    return input;
}

INPUT keyboard(WORD virtualKey, WORD scan, DWORD flags) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki = {virtualKey, scan, flags, 0, 0};
    return input;
}

void doubleClickIcon() {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, input::notificationIcon())});
    send({mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP), mouse(MOUSEEVENTF_LEFTDOWN),
          mouse(MOUSEEVENTF_LEFTUP)});
}

// Clicks the icon with the right button, or double-clicks it, until a window of that
// class and caption shows. Right after start the desktop may not have placed the icon
// yet: up to three tries. Presses are spaced beyond the double-click time, or the icon
// would see a double click.
HWND onIcon(bool twice, const wchar_t* className, const std::wstring& caption, Milliseconds limit) {
    HWND window = nullptr;
    for (int attempt = 0; attempt < 3 && !window; ++attempt) {
        pause(Milliseconds(GetDoubleClickTime() + 100));
        twice ? doubleClickIcon() : input::click(input::notificationIcon(), true);
        window = waitForWindow(className, caption, limit);
    }
    return window;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, Milliseconds limit) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !condition(); pause(50ms)) {
        if (std::chrono::steady_clock::now() >= end) return false;
    }
    return true;
}

std::string shiftJis(const std::wstring& text) {
    std::string bytes(text.size() * 2 + 1, '\0');
    bytes.resize(WideCharToMultiByte(932, 0, text.c_str(), -1, bytes.data(), bytes.size(), nullptr, nullptr) - 1);
    return bytes;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring tempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

ProgramFolder::ProgramFolder() : TestFolder(buildFolder() + L"\\e2e-run") {
    fs::copy_file(buildFolder() + L"\\Tapivex.exe", exe(), fs::copy_options::overwrite_existing);
}

ProgramRun::ProgramRun(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, tempFolder().c_str(),
                        &startup, &process_)) {
        throw std::runtime_error("cannot start Tapivex.exe, error " + std::to_string(GetLastError()));
    }
}

ProgramRun::~ProgramRun() {
    TerminateProcess(process_.hProcess, 1);  // fails when the program has ended
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool ProgramRun::running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> ProgramRun::waitForExit(Milliseconds limit) const {
    DWORD code = 0;
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return {};
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

HWND ProgramRun::messageBox(Milliseconds limit) const {
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

std::wstring ProgramRun::answer(int button, Milliseconds limit) const {
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

HWND ProgramRun::mainWindow() const {
    HWND found = nullptr;
    waitUntil([&] { return (found = FindWindowW(L"TapivexMain", nullptr)) != nullptr || !running(); });
    return found;
}

bool ProgramRun::close() const {
    PostMessageW(mainWindow(), WM_CLOSE, 0, 0);
    return waitForExit(10s) == 0u;
}

namespace desktop {

std::optional<std::wstring> value(const std::wstring& name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, desktopKey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size)) return {};
    return data;
}

void reset() {
    if (RegSetKeyValueW(HKEY_CURRENT_USER, desktopKey, L"Wallpaper", REG_SZ, L"", sizeof(wchar_t))) {
        throw std::runtime_error("cannot write the desktop's registry key");
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, desktopKey, L"WallpaperStyle");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, desktopKey, L"TileWallpaper");
}

std::wstring wallpaper() { return value(L"Wallpaper").value_or(L""); }

std::wstring waitForWallpaperOtherThan(const std::wstring& previous, Milliseconds limit) {
    std::wstring current;
    return waitUntil([&] { return (current = wallpaper()) != previous; }, limit) ? current : L"";
}

std::vector<std::wstring> nextWallpapers(int count, Milliseconds limit) {
    std::vector<std::wstring> seen;
    std::wstring last = wallpaper();
    while (static_cast<int>(seen.size()) < count && !(last = waitForWallpaperOtherThan(last, limit)).empty()) {
        seen.push_back(last);
    }
    return seen;
}

}  // namespace desktop

namespace input {

POINT notificationIcon() { return {GetSystemMetrics(SM_CXSCREEN) - 12, GetSystemMetrics(SM_CYSCREEN) - 10}; }

POINT centre(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void click(POINT at, bool right) {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
    // A hand's press and release are apart: a menu opens on the press.
    send({mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN)});
    pause(150ms);
    send({mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)});
}

void key(WORD virtualKey) { send({keyboard(virtualKey, 0, 0), keyboard(virtualKey, 0, KEYEVENTF_KEYUP)}); }

void altKey(WORD virtualKey) {
    send({keyboard(VK_MENU, 0, 0), keyboard(virtualKey, 0, 0), keyboard(virtualKey, 0, KEYEVENTF_KEYUP),
          keyboard(VK_MENU, 0, KEYEVENTF_KEYUP)});
}

void type(const std::wstring& text) {
    for (wchar_t c : text) send({keyboard(0, c, KEYEVENTF_UNICODE), keyboard(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)});
}

}  // namespace input

std::vector<HWND> windows(const wchar_t* className, const std::wstring& caption, bool hiddenToo) {
    std::vector<HWND> all, found;
    EnumWindows([](HWND window, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&all));
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

HWND waitForWindow(const wchar_t* className, const std::wstring& caption, Milliseconds limit) {
    std::vector<HWND> found;
    waitUntil([&] { return !(found = windows(className, caption)).empty(); }, limit);
    return found.empty() ? nullptr : found.back();
}

bool waitForWindowGone(HWND window, Milliseconds limit) {
    return waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limit);
}

std::wstring windowText(HWND window) {
    // WM_GETTEXT reaches a control's own text in the program's process.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
    return std::wstring(text, length);
}

HWND control(HWND form, int row) { return GetDlgItem(form, 100 + row); }  // the host numbers rows from 100

void TrayAndWindows::SetUp() {
    desktop::reset();
    folder.write(L"cache\\keep.txt", "keep");
    folder.writeSettings(cache());
    folder.write(L"pic.jpg.bmp", bitmap(16, 16, 0xC81E1E));  // ".JPG" in the name: converted
    folder.write(L"b.bmp", bitmap(16, 16, 0x1E1EC8));
    folder.writeList(list = "600:3\r\npic.jpg.bmp\r\nb.bmp\r\n");
}

std::unique_ptr<ProgramRun> TrayAndWindows::start() const {
    auto run = std::make_unique<ProgramRun>(folder.exe());
    WaitForInputIdle(run->handle(), 5000);
    pause(700ms);  // the icon reaches the notification area
    return run;
}

HWND TrayAndWindows::openMenu(WORD mnemonic) const {
    const HWND menu = onIcon(false, L"#32768", L"", 1500ms);
    if (menu && mnemonic) input::key(mnemonic);
    return menu;
}

HWND TrayAndWindows::openSettings() const {
    const HWND dialog = onIcon(true, L"#32770", messages::settingsCaption, 2500ms);
    EXPECT_TRUE(dialog) << "no settings dialog on a double click at the icon";
    waitUntil([&] { return GetForegroundWindow() == dialog; });
    pause(300ms);
    return dialog;
}

void TrayAndWindows::typeOver(HWND control, const std::wstring& text) {
    HWND window = GetAncestor(control, GA_ROOT);
    waitUntil([&] { return GetForegroundWindow() == window; });
    // The focus moves as Tab would move it; then the keys replace the text.
    SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageW(control, EM_SETSEL, 0, -1);
    if (text.empty()) input::key(VK_BACK);
    input::type(text);
}

bool TrayAndWindows::clickUntil(HWND control, const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 3 && !done(); ++attempt) {
        input::click(input::centre(control));
        waitUntil(done, 1500ms);
    }
    return done();
}

}  // namespace tapivex::e2e

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
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    return input;
}

INPUT keyboard(WORD virtualKey, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return input;
}

// Calls `visit` for each top-level window of that class and caption.
void forWindows(const wchar_t* className, const std::wstring& caption, bool hiddenToo,
                const std::function<void(HWND)>& visit) {
    struct Search {
        const wchar_t* className;
        const std::wstring& caption;
        bool hiddenToo;
        const std::function<void(HWND)>& visit;
    } search{className, caption, hiddenToo, visit};
    EnumWindows(
        [](HWND window, LPARAM context) {
            const auto& wanted = *reinterpret_cast<Search*>(context);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if ((wanted.hiddenToo || IsWindowVisible(window)) && name == std::wstring(wanted.className) &&
                (wanted.caption.empty() || windowText(window) == wanted.caption)) {
                wanted.visit(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, Milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        pause(50ms);
    }
    return true;
}

std::string shiftJis(const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
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

void ProgramFolder::writeSettings(const std::wstring& folder) const {
    write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + folder + L"\r\n"));
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
    if (running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
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

HWND ProgramRun::messageBox() const {
    HWND found = nullptr;
    forWindows(L"#32770", messages::title, false, [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_.dwProcessId) found = window;
    });
    return found;
}

HWND ProgramRun::waitForMessageBox(Milliseconds limit) const {
    HWND box = nullptr;
    waitUntil([&] { return (box = messageBox()) != nullptr || !running(); }, limit);
    return box;
}

std::wstring ProgramRun::answer(int button, Milliseconds limit) const {
    HWND box = waitForMessageBox(limit);
    if (!box) return L"<no message box>";
    // The text control of a message box: 0xFFFF on Windows, 100 under Wine. A box still
    // being laid out may not have its text yet.
    std::wstring text;
    waitUntil([&] { return !(text = windowText(GetDlgItem(box, GetDlgItem(box, 0xFFFF) ? 0xFFFF : 100))).empty(); },
              1s);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(box, button), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
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
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, desktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)) {
        throw std::runtime_error("cannot open the desktop's registry key");
    }
    RegSetValueExW(key, L"Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    RegDeleteValueW(key, L"WallpaperStyle");
    RegDeleteValueW(key, L"TileWallpaper");
    RegCloseKey(key);
}

std::wstring wallpaper() { return value(L"Wallpaper").value_or(L""); }

std::optional<std::wstring> waitForWallpaperOtherThan(const std::wstring& previous, Milliseconds limit) {
    std::wstring current;
    if (waitUntil([&] { return (current = wallpaper()) != previous; }, limit)) return current;
    return {};
}

std::vector<std::wstring> nextWallpapers(int count, Milliseconds limit) {
    std::vector<std::wstring> seen;
    for (std::wstring last = wallpaper(); static_cast<int>(seen.size()) < count;) {
        const auto next = waitForWallpaperOtherThan(last, limit);
        if (!next) break;
        seen.push_back(last = *next);
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

void doubleClick(POINT at) {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
    send({mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP), mouse(MOUSEEVENTF_LEFTDOWN),
          mouse(MOUSEEVENTF_LEFTUP)});
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

int countWindows(const wchar_t* className, const std::wstring& caption, bool hiddenToo) {
    int count = 0;
    forWindows(className, caption, hiddenToo, [&](HWND) { ++count; });
    return count;
}

HWND waitForWindow(const wchar_t* className, const std::wstring& caption, Milliseconds limit) {
    HWND found = nullptr;
    waitUntil([&] {
        forWindows(className, caption, false, [&](HWND window) { found = window; });
        return found != nullptr;
    }, limit);
    return found;
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

std::vector<std::uint32_t> capture(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    std::vector<std::uint32_t> shown;
    for (int i = 0; bits && i < width * height; ++i) shown.push_back(static_cast<std::uint32_t*>(bits)[i] & 0xFFFFFF);
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shown;
}

double alike(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    std::size_t same = 0;
    for (std::size_t i = 0; i < a.size() && a.size() == b.size(); ++i) same += a[i] == b[i];
    return a.empty() ? 0 : static_cast<double>(same) / static_cast<double>(a.size());
}

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

// Right after start the desktop may not have placed the icon yet. Presses are spaced
// beyond the double-click time, or the icon would see a double click.
HWND TrayAndWindows::openMenu(WORD mnemonic) const {
    HWND menu = nullptr;
    for (int attempt = 0; attempt < 3 && !menu; ++attempt) {
        pause(Milliseconds(GetDoubleClickTime() + 100));
        input::click(input::notificationIcon(), true);
        menu = waitForWindow(L"#32768", L"", 1500ms);
    }
    if (menu && mnemonic) input::key(mnemonic);
    return menu;
}

HWND TrayAndWindows::openSettings() const {
    HWND dialog = nullptr;
    for (int attempt = 0; attempt < 3 && !dialog; ++attempt) {
        pause(Milliseconds(GetDoubleClickTime() + 100));
        input::doubleClick(input::notificationIcon());
        dialog = waitForWindow(L"#32770", messages::settingsCaption, 2500ms);
    }
    if (dialog) waitUntil([&] { return GetForegroundWindow() == dialog; });
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

bool TrayAndWindows::clickUntil(HWND control, const std::function<bool()>& done, bool right) {
    for (int attempt = 0; attempt < 3 && !done(); ++attempt) {
        input::click(input::centre(control), right);
        waitUntil(done, 1500ms);
    }
    return done();
}

}  // namespace tapivex::e2e

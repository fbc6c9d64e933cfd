#include "Harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <thread>

namespace tapivex::e2e {

namespace {

namespace fs = std::filesystem;

const wchar_t* const mainWindowClass = L"TapivexMain";
const wchar_t* const desktopKey = L"Control Panel\\Desktop";

// The build folder (a Linux path in UTF-8) as a Windows path: Wine's Z: drive maps the Linux root.
std::wstring buildFolder() {
    const std::string unixPath = TAPIVEX_EXE_DIR;
    std::wstring path(unixPath.size(), L'\0');
    path.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), path.data(),
                            static_cast<int>(path.size()))));
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return L"Z:" + path;
}

// The running test's name, made fit for a folder name ("Suite.Name_0").
std::wstring testFolderName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside-a-test";
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':') {
            c = '_';
        }
    }
    return std::wstring(name.begin(), name.end());
}

std::wstring windowClass(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring windowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

DWORD processOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

struct WindowSearch {
    DWORD process;
    const std::function<bool(HWND)>* accept;
    HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (processOf(window) == search->process && (*search->accept)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first top-level window of `process` that `accept` takes.
HWND findTopLevel(DWORD process, const std::function<bool(HWND)>& accept) {
    WindowSearch search{process, &accept, nullptr};
    EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void putLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

}  // namespace

std::string shiftJis(const std::wstring& text) {
    const int size = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::string bitmapBytes(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    constexpr std::uint32_t side = 16;
    constexpr std::uint32_t pixelBytes = side * side * 3;  // 48 bytes a row: no padding needed
    std::string bytes = "BM";
    putLittleEndian(bytes, 54 + pixelBytes, 4);  // file size
    putLittleEndian(bytes, 0, 4);
    putLittleEndian(bytes, 54, 4);  // offset of the pixels
    putLittleEndian(bytes, 40, 4);  // BITMAPINFOHEADER
    putLittleEndian(bytes, side, 4);
    putLittleEndian(bytes, side, 4);
    putLittleEndian(bytes, 1, 2);   // planes
    putLittleEndian(bytes, 24, 2);  // bits per pixel
    putLittleEndian(bytes, 0, 4);   // BI_RGB
    putLittleEndian(bytes, pixelBytes, 4);
    putLittleEndian(bytes, 2835, 4);  // 72 dpi
    putLittleEndian(bytes, 2835, 4);
    putLittleEndian(bytes, 0, 4);
    putLittleEndian(bytes, 0, 4);
    for (std::uint32_t i = 0; i < side * side; ++i) {
        bytes += static_cast<char>(blue);
        bytes += static_cast<char>(green);
        bytes += static_cast<char>(red);
    }
    return bytes;
}

ProgramFolder::ProgramFolder() : path_(buildFolder() + L"\\e2e-run\\" + testFolderName()) {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    fs::create_directories(path_);
    fs::copy_file(buildFolder() + L"\\Tapivex.exe", exe(), fs::copy_options::overwrite_existing);
}

ProgramFolder::~ProgramFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void ProgramFolder::write(const std::wstring& relative, const std::string& bytes) const {
    writeFile(file(relative), bytes);
}

std::wstring ProgramFolder::writeBitmap(const std::wstring& relative, std::uint8_t red, std::uint8_t green,
                                        std::uint8_t blue) const {
    write(relative, bitmapBytes(red, green, blue));
    return file(relative);
}

std::string ProgramFolder::read(const std::wstring& relative) const {
    std::ifstream in(fs::path(file(relative)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring MessageBoxWindow::text() const {
    // The text control of a message box: 0xFFFF on Windows, 100 under Wine.
    for (int id : {0xFFFF, 100}) {
        if (GetDlgItem(window_, id)) {
            wchar_t text[1024] = {};
            GetDlgItemTextW(window_, id, text, 1024);
            return text;
        }
    }
    return L"";
}

void MessageBoxWindow::pressOk() const {
    DWORD_PTR ignored = 0;
    if (HWND button = GetDlgItem(window_, IDOK)) {
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    }
    // A box that did not take the click (its thread busy) gets the command itself.
    if (IsWindow(window_)) {
        PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

ProgramRun::ProgramRun(const std::wstring& exe) {
    // The temporary folder as current directory: the program has to find its own folder.
    wchar_t elsewhere[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, elsewhere);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, elsewhere, &startup,
                        &process_)) {
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

bool ProgramRun::running() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ProgramRun::waitForExit(Milliseconds limit) const {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::optional<MessageBoxWindow> ProgramRun::findMessageBox() const {
    HWND box = findTopLevel(process_.dwProcessId, [](HWND window) {
        return IsWindowVisible(window) && windowClass(window) == L"#32770" && windowText(window) == messages::title;
    });
    if (!box) {
        return std::nullopt;
    }
    return MessageBoxWindow(box);
}

std::optional<MessageBoxWindow> ProgramRun::waitForMessageBox(Milliseconds limit) const {
    std::optional<MessageBoxWindow> box;
    waitUntil([&] { return (box = findMessageBox()).has_value() || !running(); }, limit);
    // A box that is still being laid out may not have its text yet.
    if (box) {
        waitUntil([&] { return !box->text().empty(); }, Milliseconds(1000));
    }
    return box;
}

HWND ProgramRun::waitForMainWindow(Milliseconds limit) const {
    HWND found = nullptr;
    waitUntil(
        [&] {
            found = findTopLevel(process_.dwProcessId, [](HWND window) { return windowClass(window) == mainWindowClass; });
            return found != nullptr || !running();
        },
        limit);
    return found;
}

void ProgramRun::waitForIdle(Milliseconds limit) const {
    WaitForInputIdle(process_.hProcess, static_cast<DWORD>(limit.count()));
}

bool isCrashCode(DWORD exitCode) {
    return exitCode >= 0xC0000000u || exitCode == 3;
}

namespace desktop {

std::optional<std::wstring> value(const std::wstring& name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, desktopKey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
}

void reset() {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, desktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot open the desktop's registry key");
    }
    const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)> key(opened, &RegCloseKey);
    const wchar_t empty[] = L"";
    RegSetValueExW(key.get(), L"Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(empty), sizeof empty);
    RegDeleteValueW(key.get(), L"WallpaperStyle");
    RegDeleteValueW(key.get(), L"TileWallpaper");
}

std::wstring wallpaper() {
    return value(L"Wallpaper").value_or(L"");
}

std::optional<std::wstring> waitForWallpaperOtherThan(const std::wstring& previous, Milliseconds limit) {
    std::wstring current;
    if (waitUntil([&] { return (current = wallpaper()) != previous; }, limit)) {
        return current;
    }
    return std::nullopt;
}

}  // namespace desktop

std::vector<std::uint32_t> capture(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> shown;
    for (int i = 0; pixels && i < width * height; ++i) shown.push_back(pixels[i] & 0xFFFFFF);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shown;
}

double alike(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.empty() || a.size() != b.size()) return 0;
    std::size_t same = 0;
    for (std::size_t i = 0; i < a.size(); ++i) same += a[i] == b[i];
    return static_cast<double>(same) / static_cast<double>(a.size());
}

bool waitUntil(const std::function<bool()>& condition, Milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(Milliseconds(50));
    }
    return true;
}

}  // namespace tapivex::e2e

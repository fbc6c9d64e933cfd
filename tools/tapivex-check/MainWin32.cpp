// tapivex-check on Windows: the program's own file system, profile functions
// and picture loader; output through the console's wide API, or as UTF-8 bytes
// when redirected.
#include <windows.h>

#include "ListCheck.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Win32System.h"

namespace {

void Write(DWORD which, const std::wstring& text) {
    if (text.empty()) return;
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::wstring lines;
    for (wchar_t c : text) {
        if (c == L'\n') lines += L'\r';
        lines += c;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), bytes.data(), size, nullptr,
                        nullptr);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Started from Explorer, the console closes with the program: the report
// stays until a key is pressed.
void WaitForAKeyWhenAlone() {
    DWORD processes[2] = {};
    DWORD mode = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!tapivex::check::WaitsForAKey(GetConsoleProcessList(processes, 2), GetConsoleMode(input, &mode) != FALSE)) {
        return;
    }
    Write(STD_OUTPUT_HANDLE, L"\nPress any key to close this window.\n");
    FlushConsoleInputBuffer(input);
    INPUT_RECORD record{};
    DWORD read = 0;
    while (ReadConsoleInputW(input, &record, 1, &read) && read == 1 &&
           !(record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)) {
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    tapivex::Win32FileSystem files;
    tapivex::Win32ProfileFile profile;
    tapivex::WicPictureLoader pictures;
    std::wstring out, err;
    const int code = tapivex::check::RunTool(args, {files, profile, &pictures}, out, err);
    Write(STD_OUTPUT_HANDLE, out);
    Write(STD_ERROR_HANDLE, err);
    WaitForAKeyWhenAlone();
    tapivex::UninitializeCom();
    return code;
}

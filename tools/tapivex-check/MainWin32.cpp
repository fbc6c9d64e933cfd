// tapivex-check on Windows: the program's own Win32FileSystem; output through
// the console's wide API, or as UTF-8 bytes when redirected.
#include <windows.h>

#include "ListCheck.h"
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    tapivex::Win32FileSystem files;
    std::wstring out, err;
    const int code = tapivex::check::RunTool(args, files, out, err);
    Write(STD_OUTPUT_HANDLE, out);
    Write(STD_ERROR_HANDLE, err);
    return code;
}

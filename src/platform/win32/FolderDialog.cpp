#include "platform/win32/FolderDialog.h"

#include <shlobj.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Text.h"

namespace tapivex {
namespace {

constexpr wchar_t kTitle[] = L"フォルダの選択";
constexpr UINT kFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x51

}  // namespace

int CALLBACK BrowseCallback(HWND hwnd, UINT uMsg, LPARAM /*lParam*/, LPARAM lpData) {
    if (uMsg == BFFM_INITIALIZED) {
        // Asked twice: Wine's picker finds the folder in its tree by comparing
        // the folders' records byte for byte, last-access time included, and
        // its own reading of the path updates that time on folders that
        // changed since they were last read, so the first request can miss
        // (in practice the first opening of every run). The second finds the
        // times settled. On Windows it selects the same folder again.
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, lpData);
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, lpData);
    }
    return 0;
}

std::optional<std::wstring> Win32FolderPicker::BrowseForFolder(std::uintptr_t owner,
                                                                const std::wstring& initialFolder) {
    // Both texts live until the picker returns: the callback hands the
    // initial folder's address to the picker while it runs.
    EnsureComInitialized();  // the new-style picker is built on COM
    const std::string title = ansiFromWide(kTitle);
    const std::string initial = ansiFromWide(initialFolder);

    BROWSEINFOA info{};
    info.hwndOwner = reinterpret_cast<HWND>(owner);
    info.lpszTitle = title.c_str();
    info.ulFlags = kFlags;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());

    const ItemIdList chosen(SHBrowseForFolderA(&info));
    if (!chosen.get()) return std::nullopt;
    std::vector<char> path(MAX_PATH + 1, '\0');
    SHGetPathFromIDListA(chosen.get(), path.data());
    return wideFromAnsi(path.data());
}

}  // namespace tapivex

// The shell's folder picker, in its ANSI form.
#pragma once

#include <windows.h>

#include "platform/FolderPicker.h"

namespace tapivex {

class Win32FolderPicker : public FolderPicker {
public:
    std::optional<std::wstring> BrowseForFolder(std::uintptr_t owner, const std::wstring& initialFolder) override;
};

// Selects the initial folder (lpData, an ANSI path) once the picker exists.
int CALLBACK BrowseCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

}  // namespace tapivex

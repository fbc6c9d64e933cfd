// The system's folder picker.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tapivex {

class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // Shows the picker modal to `owner`, titled "フォルダの選択", with
    // `initialFolder` selected when it names a folder. nullopt when the user
    // cancelled; otherwise the confirmed folder's path, which may be empty.
    virtual std::optional<std::wstring> BrowseForFolder(std::uintptr_t owner, const std::wstring& initialFolder) = 0;
};

}  // namespace tapivex

#include "convert/ConvertedImages.h"

#include <algorithm>

namespace tapivex {

std::wstring ConvertedImageName(const std::wstring& folder, int number) {
    return folder + L"TapiVEX" + std::to_wstring(number) + L".BMP";
}

bool NeedsConversion(const std::wstring& path) {
    std::wstring upper = path;
    // Only ASCII letters matter for the three extensions.
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; });
    return upper.find(L".JPG") != std::wstring::npos || upper.find(L".JPEG") != std::wstring::npos ||
           upper.find(L".GIF") != std::wstring::npos;
}

void DeleteImagesIn(FileSystem& files, const std::wstring& folder) {
    if (folder.empty()) return;
    for (int n = 0; n <= kLastImageNumber; ++n) {
        files.deleteFile(folder + L"TapiVEX" + std::to_wstring(n) + L".bmp");
    }
}

}  // namespace tapivex

#include "platform/win32/Fonts.h"

#include <windows.h>

#include <map>
#include <vector>

namespace tapivex {
namespace {

int CALLBACK MarkFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

bool FaceInstalled(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    HDC dc = GetDC(nullptr);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, &MarkFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

}  // namespace

std::wstring InstalledFace(const std::wstring& face) {
    static std::map<std::wstring, std::wstring> chosen;
    auto known = chosen.find(face);
    if (known != chosen.end()) return known->second;
    static const std::map<std::wstring, std::vector<std::wstring>> lookAlikes = {
        {L"ＭＳ Ｐゴシック", {L"MS PGothic", L"IPAPGothic", L"VL PGothic", L"Meiryo UI"}},
        {L"ＭＳ ゴシック", {L"MS Gothic", L"IPAGothic", L"VL Gothic"}},
    };
    std::wstring use = face;
    auto candidates = lookAlikes.find(face);
    if (!face.empty() && !FaceInstalled(face) && candidates != lookAlikes.end()) {
        for (const std::wstring& candidate : candidates->second) {
            if (FaceInstalled(candidate)) {
                use = candidate;
                break;
            }
        }
    }
    return chosen.emplace(face, use).first->second;
}

}  // namespace tapivex

// Trailing-backslash rules of folder texts. They work on wide characters: in
// Shift-JIS the second byte of a character such as "表" is a backslash byte.
#pragma once

#include <string>

namespace tapivex {

inline bool EndsWithBackslash(const std::wstring& path) { return !path.empty() && path.back() == L'\\'; }

inline std::wstring WithTrailingBackslash(std::wstring path) {
    if (!EndsWithBackslash(path)) path += L'\\';
    return path;
}

// Removes one trailing backslash, if there is one.
inline std::wstring WithoutTrailingBackslash(std::wstring path) {
    if (EndsWithBackslash(path)) path.pop_back();
    return path;
}

}  // namespace tapivex

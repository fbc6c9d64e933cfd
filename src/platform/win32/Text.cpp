#include "platform/win32/Text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace tapivex {

namespace {

struct AnsiBytes {
    std::string bytes;
    bool exact = true;  // every character had its own representation
};

// Texts here are names and settings values; anything near INT_MAX is refused.
int lengthForApi(std::size_t size) {
    return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

AnsiBytes convertToAnsi(std::wstring_view text) {
    AnsiBytes result;
    if (text.empty()) {
        return result;
    }
    // UTF-8 as the ANSI code page takes neither the flag nor a default character.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* replacement = utf8 ? nullptr : "?";
    BOOL usedReplacement = FALSE;
    BOOL* usedFlag = utf8 ? nullptr : &usedReplacement;
    const int length = lengthForApi(text.size());
    const int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, replacement, usedFlag);
    result.bytes.assign(static_cast<std::size_t>(size), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_ACP, flags, text.data(), length, result.bytes.data(), size, replacement, usedFlag);
    }
    result.exact = size > 0 && !usedReplacement;
    return result;
}

}  // namespace

std::wstring wideFromAnsi(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    // No MB_ERR_INVALID_CHARS: invalid sequences are replaced, never refused.
    const int length = lengthForApi(bytes.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) {
        // Not expected without the error flag; keep the bytes as characters rather than lose them.
        return std::wstring(bytes.begin(), bytes.end());
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), size);
    return wide;
}

std::string ansiFromWide(std::wstring_view text) {
    return convertToAnsi(text).bytes;
}

std::optional<std::string> ansiName(std::wstring_view text) {
    if (holdsNul(text)) {
        return std::nullopt;
    }
    AnsiBytes converted = convertToAnsi(text);
    if (!text.empty() && !converted.exact) {
        return std::nullopt;
    }
    return std::move(converted.bytes);
}

std::string withoutNuls(std::string bytes) {
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
    return bytes;
}

bool holdsNul(std::wstring_view text) {
    return text.find(L'\0') != std::wstring_view::npos;
}

}  // namespace tapivex

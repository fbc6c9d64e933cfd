#include "IniProfile.h"

#include <cwctype>

namespace tapivex::check {
namespace {

constexpr std::size_t kLargestFile = 1 << 20;  // a settings file is a few lines

std::wstring Trimmed(const std::wstring& text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    std::size_t first = 0, last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::wstring> IniProfile::find(const std::wstring& file, const std::wstring& section,
                                             const std::wstring& key) {
    const std::unique_ptr<ByteStream> stream = files_.openForReading(file);
    if (!stream) return std::nullopt;
    std::string bytes;
    char block[4096];
    while (bytes.size() < kLargestFile) {
        const std::size_t got = stream->read(block, sizeof block);
        if (got == 0) break;
        bytes.append(block, got);
    }
    const std::wstring text = files_.fromAnsi(bytes);
    bool inSection = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == L'[') {
            const std::size_t close = line.find(L']');
            inSection = SameName(Trimmed(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1)),
                                 section);
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (!inSection || equals == std::wstring::npos || !SameName(Trimmed(line.substr(0, equals)), key)) continue;
        return Trimmed(line.substr(equals + 1));
    }
    return std::nullopt;
}

// A value in a pair of quotes loses them, but the opening one counts in the
// buffer's length, and the closing one goes only when the value fits whole.
std::wstring IniProfile::readString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                    const std::wstring& defaultValue, std::size_t bufferChars) {
    const std::size_t room = bufferChars == 0 ? 0 : bufferChars - 1;
    std::optional<std::wstring> value = find(file, section, key);
    if (!value) return defaultValue.substr(0, room);
    const bool quoted = value->size() >= 2 && (value->front() == L'"' || value->front() == L'\'') &&
                        value->back() == value->front();
    if (quoted) value->erase(0, 1);
    std::wstring shown = value->substr(0, room);
    if (quoted && bufferChars >= value->size() && !shown.empty()) shown.pop_back();
    return shown;
}

// Decimal digits after a sign, as far as they go, in 32 bits; an
// empty value is the default.
std::uint32_t IniProfile::readInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                                  int defaultValue) {
    const std::wstring value = readString(file, section, key, L"", 30);
    if (value.empty()) return static_cast<std::uint32_t>(defaultValue);
    std::size_t i = 0;
    const bool negative = i < value.size() && value[i] == L'-';
    if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) ++i;
    std::uint32_t number = 0;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i) {
        number = number * 10 + static_cast<std::uint32_t>(value[i] - L'0');
    }
    return negative ? 0u - number : number;
}

}  // namespace tapivex::check

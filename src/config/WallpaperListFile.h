// The wallpaper list file Tapivex.INI: a header line "interval:style", then one
// picture path per line. The program only ever reads it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/System.h"

namespace tapivex {

inline constexpr wchar_t kListFileName[] = L"Tapivex.INI";
inline constexpr int kListSlots = 202;       // slots 0 to 201; slot 201 always stays empty
inline constexpr int kMaxEntries = 201;      // entries taken from the file at most
inline constexpr int kUnreadableSlots = 51;  // missing paths whose texts are kept

struct WallpaperEntry {
    std::wstring Path;        // "" for an entry with nothing to show
    std::int32_t Unused = 0;  // part of the record; always 0
};
using WallpaperTable = std::array<WallpaperEntry, kListSlots>;

// Splits a byte stream into lines. A line ends at CR or CR LF; a line feed on
// its own is an ordinary character. Lines are converted from the ANSI code page.
class LineReader {
public:
    LineReader(ByteStream& stream, FileSystem& files) : stream_(stream), files_(files) {}
    bool atEnd();
    // Throws RuntimeFailure when called at the end of the file.
    std::wstring readLine();

private:
    bool fill();
    ByteStream& stream_;
    FileSystem& files_;
    std::array<char, 4096> buffer_{};
    std::size_t begin_ = 0, end_ = 0;
};

// Where the reading puts what it finds.
struct ListReadTarget {
    WallpaperTable& WallpaperList;
    std::int16_t& EntryCount;
    std::array<std::wstring, kUnreadableSlots>& UnreadableList;
    std::int16_t& UnreadableCount;
};

// Reads Tapivex.INI from the current directory into `target` (which the caller
// has cleared) and returns its header line. Lines naming an existing file and
// empty lines become entries, up to 201; other lines are missing paths: every
// one is counted, the first 51 texts are kept. Throws RuntimeFailure when the
// file cannot be opened or has no line at all.
std::wstring ReadWallpaperList(FileSystem& files, const ListReadTarget& target);

enum class HeaderError { None, IntervalNotNumeric, StyleNotNumeric };

// Parses the header line field by field from the left, setting `interval` at
// the first colon (or the end) and `style` at the second. Stops at the first
// field that is not numeric and tells which; a value beyond its variable's
// width throws RuntimeFailure. Fields after the second are ignored.
HeaderError ParseHeaderLine(std::wstring_view header, wchar_t decimalSeparator,
                            std::int32_t& interval, std::int16_t& style);

// The header's values as the rotation uses them: a style outside 0 to 2 keeps
// the system's own setting (3), and an interval below 1 second becomes 1.
inline std::int16_t StyleInForce(std::int16_t style) { return (style < 0 || style > 2) ? 3 : style; }
inline std::int32_t IntervalInForce(std::int32_t interval) { return interval < 1 ? 1 : interval; }

}  // namespace tapivex

// The list file Tapivex.INI as arbitrary bytes: the reading into the table and
// the parse of its header line. The last byte picks the decimal separator.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "config/WallpaperListFile.h"
#include "platform/Failures.h"

namespace tapivex::fuzz {
namespace {

// The lines of `bytes` by the file's rule: a line ends at CR or CR LF, and a
// lone LF is an ordinary character. A reading done the simple way, to compare.
std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\r', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
        if (end < bytes.size() && start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return lines;
}

void CheckReading(const MemoryFiles& files, const std::wstring& header, const WallpaperTable& table,
                  std::int16_t entryCount, std::int16_t unreadableCount) {
    const std::vector<std::string> lines = SplitLines(files.listBytes);
    FUZZ_CHECK(!lines.empty());
    FUZZ_CHECK(header == Latin1(lines[0]));

    // The same selection as the reading: empty lines and existing files are
    // entries, up to 201; every other line counts as unreadable.
    int entries = 0;
    int unreadable = 0;
    for (std::size_t i = 1; i < lines.size() && entries < kMaxEntries; ++i) {
        if (lines[i].empty() || lines[i].size() % 2 == 0) {
            FUZZ_CHECK(table[entries].Path == Latin1(lines[i]));
            ++entries;
        } else if (unreadable < INT16_MAX) {
            ++unreadable;
        }
    }
    FUZZ_CHECK(entryCount == entries);
    FUZZ_CHECK(entryCount >= 0 && entryCount <= kMaxEntries);
    FUZZ_CHECK(unreadableCount == unreadable);
    FUZZ_CHECK(table[kListSlots - 1].Path.empty());
    for (const WallpaperEntry& entry : table) FUZZ_CHECK(entry.Unused == 0);
}

void CheckHeader(const std::wstring& header, wchar_t separator) {
    std::int32_t interval = -12345;
    std::int16_t style = -123;
    HeaderError error = HeaderError::None;
    try {
        error = ParseHeaderLine(header, separator, interval, style);
    } catch (const RuntimeFailure&) {
        return;  // a value beyond its variable's width
    }
    // A field that is not numeric leaves its variable as it was.
    if (error == HeaderError::IntervalNotNumeric) FUZZ_CHECK(interval == -12345 && style == -123);
    if (error == HeaderError::StyleNotNumeric) FUZZ_CHECK(style == -123);
}

}  // namespace
}  // namespace tapivex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    using namespace tapivex::fuzz;
    FuzzedDataProvider input(data, size);
    MemoryFiles files;
    files.separator = PickSeparator(input);
    files.listBytes = input.ConsumeRemainingBytesAsString();

    auto table = std::make_unique<WallpaperTable>();
    auto unreadableTexts = std::make_unique<std::array<std::wstring, kUnreadableSlots>>();
    std::int16_t entryCount = 0;
    std::int16_t unreadableCount = 0;
    std::wstring header;
    try {
        header = ReadWallpaperList(files, {*table, entryCount, *unreadableTexts, unreadableCount});
    } catch (const RuntimeFailure&) {
        FUZZ_CHECK(files.listBytes.empty());  // only a file without a line fails to read
        return 0;
    }
    CheckReading(files, header, *table, entryCount, unreadableCount);
    CheckHeader(header, files.separator);
    return 0;
}

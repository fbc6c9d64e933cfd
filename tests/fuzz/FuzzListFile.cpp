// The list file Tapivex.INI as arbitrary bytes: the reading into the table, in
// blocks of 4096 bytes with line ends split across them, compared with a
// reading done the simple way, and the parse of its header line. The first
// byte picks the decimal separator.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FakeSystem.h"
#include "config/WallpaperListFile.h"
#include "platform/Failures.h"

namespace tapivex::fuzz {
namespace {

// Stops the run: libFuzzer records the input as a crash.
#define FUZZ_CHECK(condition) \
    ((condition) ? void() : (std::fprintf(stderr, "line %d: invariant broken: %s\n", __LINE__, #condition), std::abort()))

// The unit tests' fake (its ANSI code page is Latin-1), where Tapivex.INI holds
// the input. A path names a file when its length is even, so that both
// branches of the selection run.
class FuzzFiles : public testing::FakeSystem {
public:
    wchar_t separator = L'.';
    bool fileExists(const std::wstring& path) override { return path.size() % 2 == 0; }
    wchar_t decimalSeparator() override { return separator; }
};

// The lines of `bytes` by the file's rule: a line ends at CR or CR LF, and a
// lone LF is an ordinary character.
std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\r', start), bytes.size());
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
        if (start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return lines;
}

void CheckReading(FuzzFiles& files, const std::string& bytes, const std::wstring& header,
                  const WallpaperTable& table, std::int16_t entryCount, std::int16_t unreadableCount) {
    const std::vector<std::string> lines = SplitLines(bytes);
    FUZZ_CHECK(header == files.fromAnsi(lines.at(0)));
    // Empty lines and existing files are entries, up to 201; every other line counts as unreadable.
    int entries = 0, unreadable = 0;
    for (std::size_t i = 1; i < lines.size() && entries < kMaxEntries; ++i) {
        if (lines[i].size() % 2 == 0) {
            FUZZ_CHECK(table[entries++].Path == files.fromAnsi(lines[i]));
        } else if (unreadable < INT16_MAX) {
            ++unreadable;
        }
    }
    FUZZ_CHECK(entryCount == entries && unreadableCount == unreadable);
    FUZZ_CHECK(table[kListSlots - 1].Path.empty());
}

// A field that is not numeric leaves its variable as it was; a value beyond its width throws.
void CheckHeader(const std::wstring& header, wchar_t separator) {
    std::int32_t interval = -12345;
    std::int16_t style = -123;
    try {
        const HeaderError error = ParseHeaderLine(header, separator, interval, style);
        FUZZ_CHECK(error != HeaderError::IntervalNotNumeric || interval == -12345);
        FUZZ_CHECK(error == HeaderError::None || style == -123);
    } catch (const RuntimeFailure&) {
    }
}

}  // namespace
}  // namespace tapivex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    FuzzedDataProvider input(data, size);
    fuzz::FuzzFiles files;
    // The comma, the point, or any other character as the locale's separator.
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    files.separator = pick % 3 == 0 ? L',' : pick % 3 == 1 ? L'.' : static_cast<wchar_t>(pick);
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    files.writeList(bytes);
    files.currentDirectory = files.folder;

    auto table = std::make_unique<WallpaperTable>();
    auto unreadableTexts = std::make_unique<std::array<std::wstring, kUnreadableSlots>>();
    std::int16_t entryCount = 0, unreadableCount = 0;
    std::wstring header;
    try {
        header = ReadWallpaperList(files, {*table, entryCount, *unreadableTexts, unreadableCount});
    } catch (const RuntimeFailure&) {
        FUZZ_CHECK(bytes.empty());  // only a file without a line fails to read
        return 0;
    }
    fuzz::CheckReading(files, bytes, header, *table, entryCount, unreadableCount);
    fuzz::CheckHeader(header, files.separator);
    return 0;
}

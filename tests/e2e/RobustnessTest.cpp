// A list file that no one would write on purpose must not bring the program down: it
// either runs or shows one of its messages and ends, and it never writes to the file.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <set>
#include <string>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

using namespace std::chrono_literals;

// Fixed-seed bytes of every value, with NULs, CRs and lone LFs among them.
std::string garbage() {
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes;
    for (int i = 0; i < 8192; ++i) {
        bytes += static_cast<char>(i % 61 == 0 ? '\0' : i % 53 == 0 ? '\r' : byte(random));
    }
    return bytes;
}

struct BadList {
    const char* name;
    std::string bytes;
};

void PrintTo(const BadList& list, std::ostream* out) {
    *out << list.name;
}

class BadListFile : public ::testing::TestWithParam<BadList> {
protected:
    void SetUp() override { desktop::reset(); }
    void TearDown() override { desktop::reset(); }
};

TEST_P(BadListFile, NeverCrashesTheProgramNorChangesTheFile) {
    const ProgramFolder folder;
    folder.writeBitmap(L"a.bmp", 10, 10, 10);
    folder.writeList(GetParam().bytes);
    const ProgramRun run(folder.exe());

    // Long enough for the start-up and a few ticks of a one-second rotation.
    if (const auto box = run.waitForMessageBox(3000ms)) {
        const std::set<std::wstring> known{messages::intervalNotNumeric, messages::styleNotNumeric,
                                           messages::cannotStart, messages::noWallpaper};
        EXPECT_EQ(known.count(box->text()), 1u) << "unexpected message";
        box->pressOk();
        const auto exitCode = run.waitForExit();
        ASSERT_TRUE(exitCode) << "the program still runs after OK";
        EXPECT_FALSE(isCrashCode(*exitCode)) << std::hex << *exitCode;
    } else if (const auto exitCode = run.waitForExit(0ms)) {
        EXPECT_FALSE(isCrashCode(*exitCode)) << std::hex << *exitCode;
    }
    EXPECT_EQ(folder.read(L"Tapivex.INI"), GetParam().bytes);
}

const std::string hundredKilobytes(100 * 1024, 'x');

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadListFile,
    ::testing::Values(BadList{"BinaryGarbage", garbage()},
                      BadList{"GarbageAfterAGoodHeader", "1:2\r\n" + garbage()},
                      BadList{"HundredKilobyteEntryLine", "1:2\r\n" + hundredKilobytes + "\r\na.bmp\r\n"},
                      BadList{"HundredKilobyteHeaderLine", std::string(100 * 1024, '7') + ":2\r\na.bmp\r\n"},
                      // Lead bytes without their trail byte, and bytes that Shift-JIS does not use.
                      BadList{"InvalidShiftJisEntries", "1:2\r\n\x81\r\n\x82\xff\xfe.bmp\r\n\xe0\r\na.bmp\r\n\x81"},
                      BadList{"InvalidShiftJisHeader", "\x81:\x82\xff\r\na.bmp\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace tapivex::e2e

// Picture conversion through the imaging component: every kind of file the program
// accepts becomes a 24-bit bottom-up bitmap of the right size and colours, and a
// damaged file is either converted or refused, never a crash.
#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>

#include <random>

#include "TestFiles.h"
#include "platform/Failures.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

using namespace testing;

// A little-endian number in a bitmap file.
std::uint32_t Field(const std::string& bitmap, std::size_t at, int size = 4) {
    std::uint32_t value = 0;
    for (int i = size; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bitmap.at(at + i));
    return value;
}

// 0xRRGGBB at (x, y) from the top left: rows are stored bottom-up, each padded to 4 bytes.
std::uint32_t Pixel(const std::string& bitmap, int x, int y) {
    const std::size_t stride = (Field(bitmap, 18) * 3 + 3) & ~3u;
    return Field(bitmap, Field(bitmap, 10) + stride * (Field(bitmap, 22) - 1 - y) + x * 3u, 3);
}

TEST(WicPictures, EveryKindBecomesA24BitBottomUpBitmap) {
    TestFolder folder;
    writeBytes(folder.file(L"colour.jpg"), jpeg(7, 5));
    writeBytes(folder.file(L"grey.jpg"), encoded(GUID_ContainerFormatJpeg, 7, 5, "\x80", GUID_WICPixelFormat8bppGray));
    writeBytes(folder.file(L"still.gif"), stillGif);
    writeBytes(folder.file(L"animated.gif"), animatedGif);
    writeBytes(folder.file(L"transparent.gif"), transparentGif);
    const std::wstring target = folder.file(L"表示.bmp");
    writeBytes(target, std::string(100000, 'x'));  // to be replaced, not written over
    const struct {
        const wchar_t* name;
        int x, y;
        std::uint32_t colour;
        int tolerance;
    } samples[] = {
        {L"colour.jpg", 3, 2, 0xC02020, 12},
        {L"grey.jpg", 3, 2, 0x808080, 12},
        {L"animated.gif", 6, 4, 0xFF0000, 0},     // the first frame
        {L"transparent.gif", 0, 0, 0x000000, 0},  // transparent is black, not the palette's colour for it
        {L"still.gif", 0, 0, 0xFF0000, 0},
        // The bitmap just written, read and written over itself: the picture file is closed at load.
        {L"表示.bmp", 0, 4, 0x00FF00, 0},
    };
    for (const auto& sample : samples) {
        SCOPED_TRACE(&sample - samples);
        WicPictureLoader().load(folder.file(sample.name))->saveAsBitmap(target);
        const std::string bitmap = readBytes(target);
        ASSERT_GE(bitmap.size(), 54u);
        EXPECT_EQ(bitmap.substr(0, 2), "BM");
        EXPECT_EQ(Field(bitmap, 2), bitmap.size());
        EXPECT_EQ(Field(bitmap, 14), 40u);
        EXPECT_EQ(Field(bitmap, 18), 7u);
        EXPECT_EQ(Field(bitmap, 22), 5u);  // positive: bottom-up, as every reader expects
        EXPECT_EQ(Field(bitmap, 28, 2), 24u);
        for (int shift : {0, 8, 16}) {
            EXPECT_NEAR(Pixel(bitmap, sample.x, sample.y) >> shift & 0xFF, sample.colour >> shift & 0xFF,
                        sample.tolerance) << std::hex << Pixel(bitmap, sample.x, sample.y);
        }
    }
    EXPECT_EQ(Pixel(readBytes(target), 1, 0), 0x00FF00u);  // next to the red top left of the still GIF
}

std::string Word(std::string bytes, std::size_t at, unsigned value, bool bigEndian = false) {
    bytes[at] = static_cast<char>(bigEndian ? value >> 8 : value & 0xFF);
    bytes[at + 1] = static_cast<char>(bigEndian ? value & 0xFF : value >> 8);
    return bytes;
}

std::string FlipBits(std::string bytes, std::size_t from, std::size_t to, int flips, unsigned seed) {
    std::mt19937 random(seed);
    while (flips-- > 0) bytes[from + random() % (to - from)] ^= static_cast<char>(1 << random() % 8);
    return bytes;
}

// Damaged and foreign files, the same bytes on every run. Those marked `refused`
// cannot be read as a picture; the others may be converted or refused, but only
// as the loader's failure: anything else would end the program.
TEST(WicPictures, DamagedFilesAreConvertedOrRefusedNeverACrash) {
    TestFolder folder;
    const std::string jpg = jpeg(64, 48), gif = stillGif;
    const std::size_t sof = jpg.find("\xFF\xC0"), dqt = jpg.find("\xFF\xDB"), sos = jpg.find("\xFF\xDA");
    const std::size_t data = sos + 2 + static_cast<unsigned char>(jpg[sos + 3]);
    const std::string text = "60:3\r\nこれは画像ではありません\r\n";
    const struct {
        const char* name;
        std::string bytes;
        bool gif, refused;
    } rows[] = {
        {"empty jpeg", "", false, true},
        {"empty gif", "", true, true},
        {"start marker only", jpg.substr(0, 2), false, true},
        {"cut in the frame header", jpg.substr(0, sof + 7), false, true},
        {"cut before the scan", jpg.substr(0, sos), false, true},
        {"cut in the data", jpg.substr(0, (data + jpg.size()) / 2), false, false},
        {"garbage tail", jpg + FlipBits(std::string(1000, '\0'), 0, 1000, 4000, 3), false, false},
        {"claims 65535 x 65535", Word(Word(jpg, sof + 5, 0xFFFF, true), sof + 7, 0xFFFF, true), false, false},
        {"claims 0 x 0", Word(Word(jpg, sof + 5, 0, true), sof + 7, 0, true), false, true},
        {"table length past the end", Word(jpg, dqt + 2, 0xFFFF, true), false, false},
        // The imaging component reads PNG, but the list names only BMP, JPEG and GIF.
        {"png named jpg", encoded(GUID_ContainerFormatPng, 4, 4), false, true},
        {"text named jpg", text, false, true},
        {"text named gif", text, true, true},
        {"noise named jpg", FlipBits(std::string(4096, '\0'), 0, 4096, 16384, 11), false, true},
        {"gif without an image", gif.substr(0, 19) + ';', true, true},
        {"gif cut in the data", gif.substr(0, 40), true, false},
        {"gif screen of 65535 x 65535", Word(Word(gif, 6, 0xFFFF), 8, 0xFFFF), true, false},
        {"gif frame outside the screen", Word(Word(gif, 28, 0xFF00), 30, 0xFF00), true, false},
        {"gif frame of 65535 x 65535", Word(Word(gif, 32, 0xFFFF), 34, 0xFFFF), true, false},
        {"gif code size 12", gif.substr(0, 37) + '\x0C' + gif.substr(38), true, false},
        {"gif data bit flips", FlipBits(gif, 39, gif.size() - 2, 8, 5), true, false},
        {"jpeg header bit flips 64", FlipBits(jpg, 2, data, 64, 164), false, false},
        {"jpeg data bit flips 64", FlipBits(jpg, data, jpg.size() - 2, 64, 201), false, false},
    };
    WicPictureLoader loader;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring file = folder.file(row.gif ? L"damaged.gif" : L"damaged.jpg");
        writeBytes(file, row.bytes);
        try {
            loader.load(file)->saveAsBitmap(folder.file(L"copy.bmp"));
            EXPECT_FALSE(row.refused) << "converted";
            EXPECT_EQ(readBytes(folder.file(L"copy.bmp")).substr(0, 2), "BM");
        } catch (const RuntimeFailure&) {
        }
        EXPECT_EQ(readBytes(file), row.bytes) << "the picture itself changed";
    }
    EXPECT_THROW(loader.load(folder.file(L"missing.jpg")), RuntimeFailure);
    EXPECT_THROW(loader.load(folder.file(std::wstring(L"damaged.jpg\0", 12))), RuntimeFailure);
    writeBytes(folder.file(L"a.jpg"), jpg);
    EXPECT_THROW(loader.load(folder.file(L"a.jpg"))->saveAsBitmap(folder.file(L"missing\\a.bmp")), RuntimeFailure);
    // A copy whose ANSI name passes MAX_PATH could be neither shown nor deleted: it is not written.
    const std::wstring outer = L"\\\\?\\" + folder.file(std::wstring(120, L'd'));
    const std::wstring deep = outer + L"\\" + std::wstring(120, L'e');
    CreateDirectoryW(outer.c_str(), nullptr);
    CreateDirectoryW(deep.c_str(), nullptr);
    EXPECT_THROW(loader.load(folder.file(L"a.jpg"))->saveAsBitmap(deep.substr(4) + L"\\TapiVEX0.BMP"), RuntimeFailure);
    EXPECT_FALSE(DeleteFileW((deep + L"\\TapiVEX0.BMP").c_str()));
    RemoveDirectoryW(deep.c_str());
    RemoveDirectoryW(outer.c_str());
}

// Wine's GetProcessHandleCount answers 0: there, count the handle values that
// are open (Wine hands out the lowest free ones).
DWORD OpenHandles() {
    DWORD count = 0, flags = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

// Private bytes; Wine leaves PrivateUsage at 0 and counts them in PagefileUsage.
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
}

TEST(WicPictures, ManyConversionsLeakNeitherHandlesNorMemory) {
    TestFolder folder;
    writeBytes(folder.file(L"big.jpg"), jpeg(256, 256));
    WicPictureLoader loader;
    const auto convertTimes = [&](int times) {
        while (times-- > 0) loader.load(folder.file(L"big.jpg"))->saveAsBitmap(folder.file(L"big.bmp"));
    };
    convertTimes(10);  // warm-up: the codecs' own one-time allocations
    const DWORD handlesBefore = OpenHandles();
    const SIZE_T bytesBefore = PrivateBytes();
    convertTimes(201);
    // One leaked picture is 192 KB of pixels, one leaked decoder an open file.
    EXPECT_LE(OpenHandles(), handlesBefore + 5) << "handles";
    EXPECT_LE(PrivateBytes(), bytesBefore + 4 * 1024 * 1024) << "private bytes";
    EXPECT_EQ(Field(readBytes(folder.file(L"big.bmp")), 18), 256u);
}

}  // namespace
}  // namespace tapivex

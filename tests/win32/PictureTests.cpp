// Picture conversion through the imaging component: every kind of file the program
// accepts becomes a 24-bit bottom-up bitmap of the right size and colours, and a
// damaged file is either converted or refused, never a crash.
#include <gtest/gtest.h>
#include <windows.h>

#include <tuple>

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
    const std::wstring target = folder.write(L"表示.bmp", std::string(100000, 'x'));  // replaced, not written over
    // The file and its bytes, a pixel (x, y), its colour and the tolerance on each channel.
    const std::tuple<const wchar_t*, std::string, int, int, std::uint32_t, int> samples[] = {
        {L"colour.jpg", jpeg(7, 5), 3, 2, 0xC02020, 12},
        {L"animated.gif", animatedGif, 6, 4, 0xFF0000, 0},  // the first frame
        {L"transparent.gif", transparentGif, 0, 0, 0x000000, 0},  // transparent is black, not its palette colour
        {L"still.gif", stillGif, 0, 0, 0xFF0000, 0},
        // The bitmap just written, read and written over itself: the picture file is closed at load.
        {L"表示.bmp", "", 0, 4, 0x00FF00, 0},
    };
    for (const auto& [name, bytes, x, y, colour, tolerance] : samples) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
        if (!bytes.empty()) folder.write(name, bytes);
        WicPictureLoader().load(folder.file(name))->saveAsBitmap(target);
        const std::string bitmap = folder.read(L"表示.bmp");
        ASSERT_GE(bitmap.size(), 54u);
        EXPECT_EQ(bitmap.substr(0, 2), "BM");
        EXPECT_EQ(Field(bitmap, 2), bitmap.size());
        // A 40-byte header, 7 x 5 with a positive height (bottom-up, as every reader expects), 1 plane, 24 bits.
        EXPECT_EQ(bitmap.substr(14, 16), std::string("\x28\0\0\0\x07\0\0\0\x05\0\0\0\x01\0\x18\0", 16));
        for (int shift : {0, 8, 16}) {
            EXPECT_NEAR(Pixel(bitmap, x, y) >> shift & 0xFF, colour >> shift & 0xFF, tolerance)
                << std::hex << Pixel(bitmap, x, y);
        }
    }
    EXPECT_EQ(Pixel(folder.read(L"表示.bmp"), 1, 0), 0x00FF00u);  // next to the red top left of the still GIF
}

std::string Word(std::string bytes, std::size_t at, unsigned value, bool bigEndian = false) {
    bytes[at] = static_cast<char>(bigEndian ? value >> 8 : value & 0xFF);
    bytes[at + 1] = static_cast<char>(bigEndian ? value & 0xFF : value >> 8);
    return bytes;
}

// A JPEG with the Exif orientation `value` in an APP1 segment after its start.
std::string WithOrientation(const std::string& jpeg, unsigned value) {
    const std::string tiff = std::string("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) +
                             static_cast<char>(value) + std::string(7, '\0');
    const std::string exif = std::string("Exif\0\0", 6) + tiff;
    return jpeg.substr(0, 2) + "\xFF\xE1" + static_cast<char>((exif.size() + 2) >> 8) +
           static_cast<char>((exif.size() + 2) & 0xFF) + exif + jpeg.substr(2);
}

// A GIF's first frame at its place on the canvas, the rest black; a photo
// stored on its side turned upright (which way, the unit tests tell), one
// with an unknown orientation as it is.
TEST(WicPictures, AFrameLiesOnItsCanvasAndAPhotoStandsUpright) {
    TestFolder folder;
    // The still GIF's 7 x 5 frame at (3, 2) on a canvas of 12 x 9.
    std::string gif = stillGif;
    for (const auto& [at, value] : {std::pair(6u, 12u), std::pair(8u, 9u), std::pair(28u, 3u), std::pair(30u, 2u)}) {
        gif = Word(gif, at, value);
    }
    folder.write(L"placed.gif", gif);
    WicPictureLoader().load(folder.file(L"placed.gif"))->saveAsBitmap(folder.file(L"placed.bmp"));
    const std::string placed = folder.read(L"placed.bmp");
    EXPECT_EQ(std::make_pair(Field(placed, 18), Field(placed, 22)), std::make_pair(12u, 9u));
    EXPECT_EQ(std::make_tuple(Pixel(placed, 3, 2), Pixel(placed, 4, 2), Pixel(placed, 0, 0), Pixel(placed, 11, 8)),
              std::make_tuple(0xFF0000u, 0x00FF00u, 0u, 0u));
    for (const auto& [orientation, width, height] : {std::tuple(6u, 5u, 7u), std::tuple(8u, 5u, 7u),
                                                      std::tuple(3u, 7u, 5u), std::tuple(9u, 7u, 5u)}) {
        folder.write(L"photo.jpg", WithOrientation(jpeg(7, 5), orientation));
        WicPictureLoader().load(folder.file(L"photo.jpg"))->saveAsBitmap(folder.file(L"photo.bmp"));
        const std::string photo = folder.read(L"photo.bmp");
        EXPECT_EQ(std::make_pair(Field(photo, 18), Field(photo, 22)), std::make_pair(width, height)) << orientation;
        EXPECT_EQ(Field(photo, 2), photo.size());
    }
}

// Damaged and foreign files, one of each kind of damage. Those marked `refused`
// cannot be read as a picture; the others may be converted or refused, but only
// as the loader's failure: anything else would end the program.
TEST(WicPictures, DamagedFilesAreConvertedOrRefusedNeverACrash) {
    TestFolder folder;
    const std::string jpg = jpeg(64, 48), gif = stillGif;
    const std::size_t sof = jpg.find("\xFF\xC0"), sos = jpg.find("\xFF\xDA");
    // The name, the bytes, whether they are named .gif (else .jpg), whether they must be refused.
    const std::tuple<const char*, std::string, bool, bool> rows[] = {
        {"empty", "", false, true},
        {"cut in the frame header", jpg.substr(0, sof + 7), false, true},
        {"cut in the data", jpg.substr(0, (sos + jpg.size()) / 2), false, false},
        {"claims 65535 x 65535", Word(Word(jpg, sof + 5, 0xFFFF, true), sof + 7, 0xFFFF, true), false, false},
        {"claims 0 x 0", Word(Word(jpg, sof + 5, 0, true), sof + 7, 0, true), false, true},
        // The imaging component reads PNG, but the list names only BMP, JPEG and GIF.
        {"png named jpg", encoded(GUID_ContainerFormatPng, 4, 4), false, true},
        {"text named gif", "60:3\r\nこれは画像ではありません\r\n", true, true},
        {"gif cut in the data", gif.substr(0, 40), true, false},
        {"gif screen of 65535 x 65535", Word(Word(gif, 6, 0xFFFF), 8, 0xFFFF), true, false},
        {"gif code size 12", gif.substr(0, 37) + '\x0C' + gif.substr(38), true, false},
    };
    WicPictureLoader loader;
    for (const auto& [name, bytes, isGif, refused] : rows) {
        SCOPED_TRACE(name);
        const std::wstring file = folder.write(isGif ? L"damaged.gif" : L"damaged.jpg", bytes);
        try {
            loader.load(file)->saveAsBitmap(folder.file(L"copy.bmp"));
            EXPECT_FALSE(refused) << "converted";
            EXPECT_EQ(folder.read(L"copy.bmp").substr(0, 2), "BM");
        } catch (const RuntimeFailure&) {
        }
        EXPECT_EQ(folder.read(isGif ? L"damaged.gif" : L"damaged.jpg"), bytes) << "the picture itself changed";
    }
    EXPECT_THROW(loader.load(folder.file(L"missing.jpg")), RuntimeFailure);
    EXPECT_THROW(loader.load(folder.file(std::wstring(L"damaged.jpg\0", 12))), RuntimeFailure);
    const std::wstring good = folder.write(L"a.jpg", jpg);
    EXPECT_THROW(loader.load(good)->saveAsBitmap(folder.file(L"missing\\a.bmp")), RuntimeFailure);
    // A copy whose ANSI name passes MAX_PATH could be neither shown nor deleted: it is not written.
    const std::wstring outer = L"\\\\?\\" + folder.file(std::wstring(120, L'd'));
    const std::wstring deep = outer + L"\\" + std::wstring(120, L'e');
    CreateDirectoryW(outer.c_str(), nullptr);
    CreateDirectoryW(deep.c_str(), nullptr);
    EXPECT_THROW(loader.load(good)->saveAsBitmap(deep.substr(4) + L"\\TapiVEX0.BMP"), RuntimeFailure);
    EXPECT_FALSE(DeleteFileW((deep + L"\\TapiVEX0.BMP").c_str()));
    RemoveDirectoryW(deep.c_str());
    RemoveDirectoryW(outer.c_str());
}

// One leaked picture is 192 KB of pixels, one leaked decoder an open file.
TEST(WicPictures, ManyConversionsLeakNeitherHandlesNorMemory) {
    TestFolder folder;
    const std::wstring big = folder.write(L"big.jpg", jpeg(256, 256));
    WicPictureLoader loader;
    const auto measure = [&](int conversions) {
        while (conversions-- > 0) loader.load(big)->saveAsBitmap(folder.file(L"big.bmp"));
        return Holdings(GetCurrentProcess());
    };
    const auto before = measure(10);  // warm-up: the codecs' own one-time allocations
    const auto after = measure(201);
    EXPECT_LE(after.first, before.first + 5) << "handles";
    EXPECT_LE(after.second, before.second + 4 * 1024 * 1024) << "private bytes";
    EXPECT_EQ(Field(folder.read(L"big.bmp"), 18), 256u);
}

}  // namespace
}  // namespace tapivex

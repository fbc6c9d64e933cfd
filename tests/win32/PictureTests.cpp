// Picture conversion through Windows Imaging Component: every kind of file the
// program accepts becomes a 24-bit bottom-up bitmap of the right size and colours.
#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>
#include <wincodec.h>

#include <cstdint>

#include "TestFolder.h"
#include "platform/Failures.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

using testing::readBytes;
using testing::TestFolder;
using testing::writeBytes;

// 7x5 GIFs made with ImageMagick. Still: green with a red pixel at the top left.
// Animated: a red frame then a blue one. Transparent: yellow (the transparent
// colour) with a magenta pixel at (1,1).
const std::string kStillGif(
    "GIF89a\x07\x00\x05\x00\xF0\x00\x00\xFF\x00\x00\x00\xFF\x00!\xF9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x07"
    "\x00\x05\x00\x00\x02\x05\x44\x8E\xA9\xCB[\x00;", 46);
const std::string kAnimatedGif(
    "GIF89a\x07\x00\x05\x00\xF0\x00\x00\xFF\x00\x00\x00\x00\x00!\xF9\x04\x00\x0A\x00\x00\x00!\xFF\x0BNETSCAPE2.0"
    "\x03\x01\x00\x00\x00,\x00\x00\x00\x00\x07\x00\x05\x00\x00\x02\x05\x84\x8F\xA9\xBB\x05\x00!\xF9\x04\x00\x0A\x00"
    "\x00\x00,\x00\x00\x00\x00\x07\x00\x05\x00\x80\x00\x00\xFF\x00\x00\x00\x02\x05\x84\x8F\xA9\xBB\x05\x00;", 97);
const std::string kTransparentGif(
    "GIF89a\x07\x00\x05\x00\xF0\x00\x00\xFF\x00\xFF\x00\x00\x00!\xF9\x04\x01\x00\x00\x01\x00,\x00\x00\x00\x00\x07"
    "\x00\x05\x00\x00\x02\x06\x8Co\x80\xCB\x8D\x05\x00;", 47);

// A picture of one colour written by WIC's own encoder; `pixel` is one pixel's bytes in `format`.
void writeWithWic(const std::wstring& path, const GUID& container, UINT width, UINT height,
                  WICPixelFormatGUID format, const std::string& pixel) {
    EnsureComInitialized();
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())));
    ASSERT_HRESULT_SUCCEEDED(factory->CreateStream(stream.put()));
    ASSERT_HRESULT_SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    ASSERT_HRESULT_SUCCEEDED(factory->CreateEncoder(container, nullptr, encoder.put()));
    ASSERT_HRESULT_SUCCEEDED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    ASSERT_HRESULT_SUCCEEDED(encoder->CreateNewFrame(frame.put(), options.put()));
    ASSERT_HRESULT_SUCCEEDED(frame->Initialize(options.get()));
    ASSERT_HRESULT_SUCCEEDED(frame->SetSize(width, height));
    const WICPixelFormatGUID wanted = format;
    ASSERT_HRESULT_SUCCEEDED(frame->SetPixelFormat(&format));
    ASSERT_TRUE(IsEqualGUID(format, wanted));
    std::string pixels;
    for (UINT i = 0; i < width * height; ++i) pixels += pixel;
    ASSERT_HRESULT_SUCCEEDED(frame->WritePixels(height, static_cast<UINT>(pixel.size()) * width,
                                                static_cast<UINT>(pixels.size()), reinterpret_cast<BYTE*>(&pixels[0])));
    ASSERT_HRESULT_SUCCEEDED(frame->Commit());
    ASSERT_HRESULT_SUCCEEDED(encoder->Commit());
}

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
    writeWithWic(folder.file(L"colour.jpg"), GUID_ContainerFormatJpeg, 7, 5, GUID_WICPixelFormat24bppBGR,
                 "\x20\x20\xC0");
    writeWithWic(folder.file(L"grey.jpg"), GUID_ContainerFormatJpeg, 7, 5, GUID_WICPixelFormat8bppGray, "\x80");
    writeBytes(folder.file(L"still.gif"), kStillGif);
    writeBytes(folder.file(L"animated.gif"), kAnimatedGif);
    writeBytes(folder.file(L"transparent.gif"), kTransparentGif);
    const std::wstring target = folder.file(L"表示.bmp");
    writeBytes(target, std::string(100000, 'x'));  // to be replaced, not written over
    struct Sample {
        const wchar_t* name;
        int x, y;
        std::uint32_t colour;
        int tolerance;
    };
    const Sample samples[] = {
        {L"colour.jpg", 3, 2, 0xC02020, 12},
        {L"grey.jpg", 3, 2, 0x808080, 12},
        {L"animated.gif", 6, 4, 0xFF0000, 0},     // the first frame
        {L"transparent.gif", 0, 0, 0x000000, 0},  // transparent is black, not the palette's colour for it
        {L"still.gif", 0, 0, 0xFF0000, 0},
        // The bitmap just written, read as a picture and written over itself: the picture file is closed at load.
        {L"表示.bmp", 0, 4, 0x00FF00, 0},
    };
    for (const Sample& sample : samples) {
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

TEST(WicPictures, DamagedOrForeignFilesFail) {
    TestFolder folder;
    writeWithWic(folder.file(L"a.jpg"), GUID_ContainerFormatJpeg, 7, 5, GUID_WICPixelFormat24bppBGR, "abc");
    writeBytes(folder.file(L"cut.jpg"), readBytes(folder.file(L"a.jpg")).substr(0, 120));
    writeBytes(folder.file(L"text.jpg"), "これは画像ではありません\r\n");
    writeBytes(folder.file(L"empty.gif"), "");
    // WIC reads PNG, but the program takes only what its list may name: BMP, JPEG, GIF.
    writeWithWic(folder.file(L"picture.png"), GUID_ContainerFormatPng, 4, 4, GUID_WICPixelFormat24bppBGR, "abc");
    WicPictureLoader loader;
    for (const wchar_t* name : {L"cut.jpg", L"text.jpg", L"empty.gif", L"missing.jpg", L"picture.png"}) {
        EXPECT_THROW(loader.load(folder.file(name)), RuntimeFailure) << std::filesystem::path(name).string();
    }
    EXPECT_THROW(loader.load(folder.file(std::wstring(L"a.jpg\0", 6))), RuntimeFailure);
    EXPECT_THROW(loader.load(folder.file(L"a.jpg"))->saveAsBitmap(folder.file(L"missing\\a.bmp")), RuntimeFailure);
}

// Wine's GetProcessHandleCount answers 0: there, count the handle values that
// are open (Wine hands out the lowest free ones).
DWORD openHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

// Wine leaves PrivateUsage at 0 and counts the private pages in PagefileUsage.
PROCESS_MEMORY_COUNTERS_EX memoryUse() {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    memory.PrivateUsage = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    return memory;
}

TEST(WicPictures, ManyConversionsLeakNeitherHandlesNorMemory) {
    TestFolder folder;
    writeWithWic(folder.file(L"big.jpg"), GUID_ContainerFormatJpeg, 256, 256, GUID_WICPixelFormat24bppBGR, "abc");
    WicPictureLoader loader;
    const auto convertTimes = [&](int times) {
        while (times-- > 0) loader.load(folder.file(L"big.jpg"))->saveAsBitmap(folder.file(L"big.bmp"));
    };
    convertTimes(10);  // warm-up: the codecs' own one-time allocations
    const DWORD handlesBefore = openHandles();
    const PROCESS_MEMORY_COUNTERS_EX before = memoryUse();
    convertTimes(201);
    const PROCESS_MEMORY_COUNTERS_EX after = memoryUse();

    // One leaked picture is 256 KB of pixels, one leaked decoder an open file.
    EXPECT_LE(openHandles(), handlesBefore + 5) << "handles";
    EXPECT_LE(after.PrivateUsage, before.PrivateUsage + 4 * 1024 * 1024) << "private bytes";
    EXPECT_LE(after.WorkingSetSize, before.WorkingSetSize + 8 * 1024 * 1024) << "working set";
    EXPECT_EQ(Field(readBytes(folder.file(L"big.bmp")), 18), 256u);
}

}  // namespace
}  // namespace tapivex

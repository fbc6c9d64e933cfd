// Folders, files and pictures for the Windows tests (tests/win32 and tests/e2e),
// made at run time: a bitmap of one colour, a JPEG or PNG through the imaging
// component's own encoder, and small GIFs from fixed bytes.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tapivex::testing {

// Writes bytes to a file, making its folders and replacing the file.
inline void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes;
}

// The whole content of a file; empty when it cannot be read.
inline std::string readBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A fresh folder under `root` (the temporary folder unless told), named after the
// running test and removed with what it holds.
class TestFolder {
public:
    explicit TestFolder(std::filesystem::path root = std::filesystem::temp_directory_path()) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("tapivex-") + test->test_suite_name() + "." + test->name();
        for (char& c : name) c = c == '/' ? '_' : c;
        path_ = (root / name).wstring();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Writes raw bytes below the folder; returns the file's path.
    std::wstring write(const std::wstring& name, const std::string& bytes) const {
        writeBytes(file(name), bytes);
        return file(name);
    }
    std::string read(const std::wstring& name) const { return readBytes(file(name)); }

private:
    std::wstring path_;
};

// A bottom-up 24-bit bitmap of one colour, 0xRRGGBB.
inline std::string bitmap(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
    const std::uint32_t stride = (width * 3 + 3) & ~3u;
    std::string bytes = "BM";
    for (std::uint32_t value : {54 + stride * height, 0u, 54u, 40u, width, height, 0x180001u, 0u, stride * height, 0u,
                                0u, 0u, 0u}) {
        for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift & 0xFF);
    }
    std::string row;
    for (std::uint32_t x = 0; x < width; ++x) row += {char(rgb & 0xFF), char(rgb >> 8 & 0xFF), char(rgb >> 16 & 0xFF)};
    row.resize(stride, '\0');
    for (std::uint32_t y = 0; y < height; ++y) bytes += row;
    return bytes;
}

// Releases a COM object it holds.
template <typename T>
struct Com {
    T* p = nullptr;
    ~Com() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
};

// A picture of one colour from the imaging component's encoder for `container`;
// `pixel` is one pixel's bytes in `format` (blue, green, red by default).
inline std::string encoded(const GUID& container, UINT width, UINT height, const std::string& pixel = "\x20\x20\xC0",
                           WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR) {
    const auto check = [](HRESULT result) {
        if (FAILED(result)) throw std::runtime_error("imaging call failed: " + std::to_string(result));
    };
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // kept for the process's life
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(&factory.p)));
    check(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p));
    check(factory->CreateEncoder(container, nullptr, &encoder.p));
    check(encoder->Initialize(stream.p, WICBitmapEncoderNoCache));
    check(encoder->CreateNewFrame(&frame.p, &options.p));
    check(frame->Initialize(options.p));
    check(frame->SetSize(width, height));
    const WICPixelFormatGUID wanted = format;
    check(frame->SetPixelFormat(&format));
    if (!IsEqualGUID(format, wanted)) throw std::runtime_error("the encoder changed the pixel format");
    std::string pixels;
    for (UINT i = 0; i < width * height; ++i) pixels += pixel;
    check(frame->WritePixels(height, static_cast<UINT>(pixel.size()) * width, static_cast<UINT>(pixels.size()),
                             reinterpret_cast<BYTE*>(pixels.data())));
    check(frame->Commit());
    check(encoder->Commit());
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    check(stream->Stat(&stat, STATFLAG_NONAME));
    check(GetHGlobalFromStream(stream.p, &memory));
    std::string bytes(static_cast<const char*>(GlobalLock(memory)), static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return bytes;
}

inline std::string jpeg(UINT width, UINT height) { return encoded(GUID_ContainerFormatJpeg, width, height); }

// 7 x 5 GIFs. Still: green with a red pixel at the top left; screen at byte 6, image
// descriptor at 27, its size at 32, LZW code size at 37. Animated: a red frame, then a
// blue one. Transparent: yellow, the transparent colour, with a magenta pixel at (1, 1).
inline const std::string stillGif(
    "GIF89a\x07\x00\x05\x00\xF0\x00\x00\xFF\x00\x00\x00\xFF\x00!\xF9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x07"
    "\x00\x05\x00\x00\x02\x05\x44\x8E\xA9\xCB[\x00;", 46);
inline const std::string animatedGif(
    "GIF89a\x07\x00\x05\x00\xF0\x00\x00\xFF\x00\x00\x00\x00\x00!\xF9\x04\x00\x0A\x00\x00\x00!\xFF\x0BNETSCAPE2.0"
    "\x03\x01\x00\x00\x00,\x00\x00\x00\x00\x07\x00\x05\x00\x00\x02\x05\x84\x8F\xA9\xBB\x05\x00!\xF9\x04\x00\x0A\x00"
    "\x00\x00,\x00\x00\x00\x00\x07\x00\x05\x00\x80\x00\x00\xFF\x00\x00\x00\x02\x05\x84\x8F\xA9\xBB\x05\x00;", 97);
inline const std::string transparentGif(
    "GIF89a\x07\x00\x05\x00\xF0\x00\x00\xFF\x00\xFF\x00\x00\x00!\xF9\x04\x01\x00\x00\x01\x00,\x00\x00\x00\x00\x07"
    "\x00\x05\x00\x00\x02\x06\x8Co\x80\xCB\x8D\x05\x00;", 47);

}  // namespace tapivex::testing

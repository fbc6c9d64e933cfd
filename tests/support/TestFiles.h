// Folders, files and pictures for the Windows tests (tests/win32 and tests/e2e),
// made at run time: a bitmap, JPEG or PNG of one colour through the imaging
// component's own encoder, and small GIFs from fixed bytes.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tapivex::testing {

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
    // Writes bytes to a file below the folder, making its folders and replacing the file; returns its path.
    std::wstring write(const std::wstring& name, const std::string& bytes) const {
        std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
        std::ofstream(std::filesystem::path(file(name)), std::ios::binary | std::ios::trunc) << bytes;
        return file(name);
    }
    // The whole content of a file below the folder; empty when it cannot be read.
    std::string read(const std::wstring& name) const {
        std::ifstream stream(std::filesystem::path(file(name)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), {});
    }

private:
    std::wstring path_;
};

// What `process` holds: its open handles and its private bytes. Wine's
// GetProcessHandleCount answers 0, so the handles are counted as the values that
// can be duplicated (Wine hands out the lowest free ones); it leaves PrivateUsage
// at 0 and counts private bytes in PagefileUsage.
inline std::pair<unsigned, std::size_t> Holdings(HANDLE process) {
    unsigned handles = 0;
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                            DUPLICATE_SAME_ACCESS)) {
            CloseHandle(copy);
            ++handles;
        }
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return {handles, memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage};
}

// A picture of one colour from the imaging component's encoder for `container`;
// `pixel` is its blue, green and red.
inline std::string encoded(const GUID& container, UINT width, UINT height, const std::string& pixel = "\x20\x20\xC0") {
    const auto check = [](HRESULT result) {
        if (FAILED(result)) throw std::runtime_error("imaging call failed: " + std::to_string(result));
    };
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // kept for the process's life
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory;
    Microsoft::WRL::ComPtr<IStream> stream;
    Microsoft::WRL::ComPtr<IWICBitmapEncoder> encoder;
    Microsoft::WRL::ComPtr<IWICBitmapFrameEncode> frame;
    Microsoft::WRL::ComPtr<IPropertyBag2> options;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
    check(CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    check(factory->CreateEncoder(container, nullptr, &encoder));
    check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    check(encoder->CreateNewFrame(&frame, &options));
    check(frame->Initialize(options.Get()));
    check(frame->SetSize(width, height));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    check(frame->SetPixelFormat(&format));  // kept by the JPEG, PNG and BMP encoders
    std::string pixels;
    for (UINT i = 0; i < width * height; ++i) pixels += pixel;
    check(frame->WritePixels(height, static_cast<UINT>(pixel.size()) * width, static_cast<UINT>(pixels.size()),
                             reinterpret_cast<BYTE*>(pixels.data())));
    check(frame->Commit());
    check(encoder->Commit());
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    check(stream->Stat(&stat, STATFLAG_NONAME));
    check(GetHGlobalFromStream(stream.Get(), &memory));
    const std::string bytes(static_cast<const char*>(GlobalLock(memory)),
                            static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return bytes;
}

inline std::string jpeg(UINT width, UINT height) { return encoded(GUID_ContainerFormatJpeg, width, height); }

// A bottom-up 24-bit bitmap of one colour, 0xRRGGBB.
inline std::string bitmap(UINT width, UINT height, std::uint32_t rgb) {
    return encoded(GUID_ContainerFormatBmp, width, height, {char(rgb & 0xFF), char(rgb >> 8 & 0xFF), char(rgb >> 16)});
}

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

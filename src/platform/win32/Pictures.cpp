// Pictures through Windows Imaging Component, written as 24-bit Windows
// bitmaps for the desktop.
//
// Memory and time go to the decoded pixels, so they exist once: the picture
// file is read into memory and closed at load, its decoder decodes it there
// (the load asks for one row, so a damaged file fails at load), and the save
// copies the decoder's pixels into the bitmap file a strip of rows at a time.
// A JPEG's pixels are already 24-bit and pass through as they are.
//
// Two kinds of picture are laid out in memory first, at load: a photo whose
// Exif orientation asks for a turn (the turn holds the stored and the upright
// picture, never more), and a GIF whose first frame does not cover its canvas.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "convert/ExifOrientation.h"
#include "convert/Orientation.h"
#include "platform/Failures.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {

namespace {

constexpr UINT kStripRows = 64;

void check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        char text[128];
        std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(result));
        throw RuntimeFailure(text);
    }
}

ComPtr<IWICImagingFactory> createFactory() {
    ComPtr<IWICImagingFactory> factory;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.put())),
          "creating the imaging factory");
    return factory;
}

// The formats the program accepts as pictures; WIC would also read PNG, TIFF...
bool isAcceptedContainer(const GUID& format) {
    return IsEqualGUID(format, GUID_ContainerFormatBmp) || IsEqualGUID(format, GUID_ContainerFormatJpeg) ||
           IsEqualGUID(format, GUID_ContainerFormatGif);
}

// A 16-bit number of the picture's metadata ("/logscrdesc/Width"...); `otherwise`
// when the decoder gives none.
UINT metadataNumber(IWICMetadataQueryReader* reader, const wchar_t* name, UINT otherwise) {
    PROPVARIANT value;
    PropVariantInit(&value);
    if (reader && SUCCEEDED(reader->GetMetadataByName(name, &value)) && value.vt == VT_UI2) otherwise = value.uiVal;
    PropVariantClear(&value);
    return otherwise;
}

std::vector<BYTE> readWholeFile(const std::wstring& path) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) throw RuntimeFailure("the picture cannot be opened");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) throw RuntimeFailure("picture file size");
    std::vector<BYTE> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        throw RuntimeFailure("the picture cannot be read");
    }
    return bytes;
}

void writeAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written != size) {
        throw RuntimeFailure("the bitmap cannot be written");
    }
}

class WicPicture : public Picture {
public:
    WicPicture(std::vector<BYTE> fileBytes, ComPtr<IWICImagingFactory> factory)
        : fileBytes_(std::move(fileBytes)), factory_(std::move(factory)) {
        check(factory_->CreateStream(stream_.put()), "creating a stream");
        check(stream_->InitializeFromMemory(fileBytes_.data(), static_cast<DWORD>(fileBytes_.size())),
              "reading the picture");
        ComPtr<IWICBitmapDecoder> decoder;
        check(factory_->CreateDecoderFromStream(stream_.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put()),
              "opening the picture");
        GUID container = {};
        check(decoder->GetContainerFormat(&container), "reading the picture's format");
        if (!isAcceptedContainer(container)) throw RuntimeFailure("not a BMP, JPEG or GIF picture");
        check(decoder->GetFrame(0, frame_.put()), "reading the first frame");
        choosePixels();
        check(pixels_->GetSize(&width_, &height_), "reading the size");
        checkSize(width_, height_);
        // Decoding starts here, so a damaged picture fails at load.
        std::vector<BYTE> lastRow(static_cast<std::size_t>(width_) * pixelBytes_);
        copyRows(height_ - 1, 1, lastRow);
        if (IsEqualGUID(container, GUID_ContainerFormatGif)) placeOnCanvas(decoder.get());
        if (IsEqualGUID(container, GUID_ContainerFormatJpeg)) turnUpright();
    }

    void saveAsBitmap(const std::wstring& bitmapPath) override {
        // A copy whose ANSI name the wallpaper call and DeleteFileA cannot take
        // could be neither shown nor removed again: it is not written.
        const auto ansiPath = ansiName(bitmapPath);
        if (!ansiPath || ansiPath->size() >= MAX_PATH) throw RuntimeFailure("bitmap path beyond MAX_PATH");
        const FileHandle file(
            CreateFileW(bitmapPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) throw RuntimeFailure("the bitmap cannot be created");
        writeHeaders(file.get());
        writeRows(file.get());
    }

private:
    // 24-bit pixels as they are; anything else (a GIF's palette) through
    // premultiplied 32 bits, which every decoder's output converts to, so a
    // transparent pixel is black on every system whatever its palette says.
    void choosePixels() {
        WICPixelFormatGUID format = {};
        check(frame_->GetPixelFormat(&format), "reading the pixel format");
        if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            check(frame_->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(pixels_.put())),
                  "reading the pixels");
            pixelBytes_ = 3;
            return;
        }
        ComPtr<IWICFormatConverter> converter;
        check(factory_->CreateFormatConverter(converter.put()), "creating a pixel converter");
        check(converter->Initialize(frame_.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                    0.0, WICBitmapPaletteTypeCustom),
              "converting the pixels");
        check(converter->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(pixels_.put())),
              "reading the pixels");
        pixelBytes_ = 4;
    }

    // A bitmap row, padded to 4 bytes.
    static UINT rowBytes(UINT width) { return (width * 3 + 3) & ~3u; }
    UINT rowBytes() const { return rowBytes(width_); }

    // A BMP of more than 2 GB cannot be written; its rows are counted in 32 bits.
    static void checkSize(UINT width, UINT height) {
        if (width == 0 || height == 0 || static_cast<unsigned long long>(rowBytes(width)) * height > 0x7FFFFFFF) {
            throw RuntimeFailure("picture size");
        }
    }

    void copyRows(UINT top, UINT count, std::vector<BYTE>& into) {
        const UINT stride = width_ * pixelBytes_;
        if (!memory_.bytes.empty()) {
            std::memcpy(into.data(), memory_.bytes.data() + static_cast<std::size_t>(top) * stride,
                        static_cast<std::size_t>(stride) * count);
            return;
        }
        const WICRect rect{0, static_cast<INT>(top), static_cast<INT>(width_), static_cast<INT>(count)};
        check(pixels_->CopyPixels(&rect, stride, stride * count, into.data()), "decoding the picture");
    }

    // The decoded picture into memory, which takes the decoder's place.
    void decodeIntoMemory() {
        std::vector<BYTE> all(static_cast<std::size_t>(width_) * pixelBytes_ * height_);
        copyRows(0, height_, all);
        releaseDecoder();
        memory_ = Pixels{static_cast<int>(width_), static_cast<int>(height_), static_cast<int>(pixelBytes_),
                         std::move(all)};
    }

    void releaseDecoder() {
        pixels_.reset();
        frame_.reset();
        stream_.reset();
        fileBytes_ = {};
    }

    // A photo stored on its side shows upright, as its Exif orientation says.
    void turnUpright() {
        const int orientation = JpegOrientation(fileBytes_.data(), fileBytes_.size());
        if (orientation == 1) return;
        decodeIntoMemory();
        if (!TurnUpright(memory_, orientation)) throw RuntimeFailure("turning the picture");
        width_ = static_cast<UINT>(memory_.width);
        height_ = static_cast<UINT>(memory_.height);
    }

    // A GIF's first frame may cover only part of its canvas (the logical
    // screen): the copy has the canvas's size, the frame at its place, and the
    // rest as a transparent pixel is, black.
    void placeOnCanvas(IWICBitmapDecoder* decoder) {
        ComPtr<IWICMetadataQueryReader> screen, image;
        decoder->GetMetadataQueryReader(screen.put());
        frame_->GetMetadataQueryReader(image.put());
        const UINT canvasWidth = metadataNumber(screen.get(), L"/logscrdesc/Width", width_);
        const UINT canvasHeight = metadataNumber(screen.get(), L"/logscrdesc/Height", height_);
        const UINT left = metadataNumber(image.get(), L"/imgdesc/Left", 0);
        const UINT top = metadataNumber(image.get(), L"/imgdesc/Top", 0);
        if (canvasWidth == width_ && canvasHeight == height_ && left == 0 && top == 0) return;
        checkSize(canvasWidth, canvasHeight);
        Pixels canvas{static_cast<int>(canvasWidth), static_cast<int>(canvasHeight), static_cast<int>(pixelBytes_), {}};
        canvas.bytes.resize(static_cast<std::size_t>(canvasWidth) * canvasHeight * pixelBytes_);
        // The part of the frame that lies on the canvas, row by row.
        const UINT shown = left < canvasWidth ? std::min(width_, canvasWidth - left) : 0;
        std::vector<BYTE> row(static_cast<std::size_t>(width_) * pixelBytes_);
        for (UINT y = 0; shown > 0 && y < height_ && top + y < canvasHeight; ++y) {
            copyRows(y, 1, row);
            std::memcpy(canvas.bytes.data() + (static_cast<std::size_t>(top + y) * canvasWidth + left) * pixelBytes_,
                        row.data(), static_cast<std::size_t>(shown) * pixelBytes_);
        }
        releaseDecoder();
        memory_ = std::move(canvas);
        width_ = canvasWidth;
        height_ = canvasHeight;
    }

    void writeHeaders(HANDLE file) {
        const DWORD imageBytes = rowBytes() * height_;
        BITMAPFILEHEADER fileHeader{};
        fileHeader.bfType = 0x4D42;  // "BM"
        fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        fileHeader.bfSize = fileHeader.bfOffBits + imageBytes;
        BITMAPINFOHEADER info{};
        info.biSize = sizeof info;
        info.biWidth = static_cast<LONG>(width_);
        info.biHeight = static_cast<LONG>(height_);  // positive: rows stored bottom-up
        info.biPlanes = 1;
        info.biBitCount = 24;
        info.biCompression = BI_RGB;
        info.biSizeImage = imageBytes;
        info.biXPelsPerMeter = info.biYPelsPerMeter = 3780;  // 96 dpi
        writeAll(file, &fileHeader, sizeof fileHeader);
        writeAll(file, &info, sizeof info);
    }

    // Strips from the bottom of the picture up, each written bottom row first.
    void writeRows(HANDLE file) {
        const UINT rows = std::min(kStripRows, height_);
        std::vector<BYTE> strip(static_cast<std::size_t>(width_) * pixelBytes_ * rows);
        std::vector<BYTE> out(static_cast<std::size_t>(rowBytes()) * rows, 0);
        for (UINT end = height_; end > 0;) {
            const UINT count = std::min(rows, end);
            const UINT top = end - count;
            copyRows(top, count, strip);
            BYTE* target = out.data();
            for (UINT r = count; r-- > 0; target += rowBytes()) {
                const BYTE* source = strip.data() + static_cast<std::size_t>(r) * width_ * pixelBytes_;
                if (pixelBytes_ == 3) {
                    std::memcpy(target, source, static_cast<std::size_t>(width_) * 3);
                    continue;
                }
                for (UINT x = 0; x < width_; ++x, source += 4) {
                    target[x * 3] = source[0];
                    target[x * 3 + 1] = source[1];
                    target[x * 3 + 2] = source[2];
                }
            }
            writeAll(file, out.data(), rowBytes() * count);
            end = top;
        }
    }

    std::vector<BYTE> fileBytes_;  // the picture file, which the decoder reads
    ComPtr<IWICImagingFactory> factory_;
    ComPtr<IWICStream> stream_;
    ComPtr<IWICBitmapFrameDecode> frame_;
    ComPtr<IWICBitmapSource> pixels_;
    Pixels memory_;  // the picture laid out in memory, in the decoder's place; empty when it streams
    UINT width_ = 0, height_ = 0, pixelBytes_ = 3;
};

}  // namespace

std::unique_ptr<Picture> WicPictureLoader::load(const std::wstring& path) {
    if (holdsNul(path)) throw RuntimeFailure("picture path holds a NUL");
    EnsureComInitialized();
    return std::make_unique<WicPicture>(readWholeFile(path), createFactory());
}

}  // namespace tapivex

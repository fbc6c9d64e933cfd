// Pictures through Windows Imaging Component: decoded into memory at load,
// written as 24-bit Windows bitmaps for the desktop.
#include <windows.h>
#include <wincodec.h>

#include <cstdio>

#include "platform/Failures.h"
#include "platform/win32/Com.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {

namespace {

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

// The factory's own converter: WICConvertBitmapSource would tie the program
// to an import of windowscodecs.dll, which Windows does not protect from a
// look-alike in the program's folder; COM loads the factory from the system.
ComPtr<IWICFormatConverter> convertPixels(IWICImagingFactory* factory, IWICBitmapSource* source,
                                          const WICPixelFormatGUID& format) {
    ComPtr<IWICFormatConverter> converter;
    check(factory->CreateFormatConverter(converter.put()), "creating a pixel converter");
    check(converter->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom),
          "converting the pixels");
    return converter;
}

// The formats the program accepts as pictures; WIC would also read PNG, TIFF...
bool isAcceptedContainer(const GUID& format) {
    return IsEqualGUID(format, GUID_ContainerFormatBmp) || IsEqualGUID(format, GUID_ContainerFormatJpeg) ||
           IsEqualGUID(format, GUID_ContainerFormatGif);
}

class WicPicture : public Picture {
public:
    WicPicture(ComPtr<IWICImagingFactory> factory, ComPtr<IWICBitmap> pixels)
        : factory_(std::move(factory)), pixels_(std::move(pixels)) {}

    void saveAsBitmap(const std::wstring& bitmapPath) override {
        if (holdsNul(bitmapPath)) {
            throw RuntimeFailure("bitmap path holds a NUL");
        }
        // A stream opened for writing replaces a file of that name.
        ComPtr<IWICStream> stream;
        check(factory_->CreateStream(stream.put()), "creating a stream");
        check(stream->InitializeFromFilename(bitmapPath.c_str(), GENERIC_WRITE), "opening the bitmap file");

        ComPtr<IWICBitmapEncoder> encoder;
        check(factory_->CreateEncoder(GUID_ContainerFormatBmp, nullptr, encoder.put()), "creating the encoder");
        check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "starting the bitmap");
        writeFrame(encoder.get());
        check(encoder->Commit(), "finishing the bitmap");
    }

private:
    void writeFrame(IWICBitmapEncoder* encoder) {
        ComPtr<IWICBitmapFrameEncode> frame;
        ComPtr<IPropertyBag2> options;
        check(encoder->CreateNewFrame(frame.put(), options.put()), "creating the frame");
        check(frame->Initialize(options.get()), "starting the frame");
        UINT width = 0;
        UINT height = 0;
        check(pixels_->GetSize(&width, &height), "reading the size");
        check(frame->SetSize(width, height), "setting the size");
        check(frame->SetResolution(96.0, 96.0), "setting the resolution");
        // 24 bits without alpha (a 32-bit bitmap with alpha makes a poor wallpaper). The encoder may
        // answer with the format it prefers; only 24bppBGR is accepted.
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        check(frame->SetPixelFormat(&format), "setting the pixel format");
        if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            throw RuntimeFailure("the bitmap encoder refuses 24-bit pixels");
        }
        const auto bgr = convertPixels(factory_.get(), pixels_.get(), GUID_WICPixelFormat24bppBGR);
        check(frame->WriteSource(bgr.get(), nullptr), "writing the pixels");
        check(frame->Commit(), "finishing the frame");
    }

    ComPtr<IWICImagingFactory> factory_;
    ComPtr<IWICBitmap> pixels_;  // 32bppPBGRA, decoded
};

}  // namespace

std::unique_ptr<Picture> WicPictureLoader::load(const std::wstring& path) {
    if (holdsNul(path)) {
        throw RuntimeFailure("picture path holds a NUL");
    }
    ComPtr<IWICImagingFactory> factory = createFactory();
    ComPtr<IWICBitmapDecoder> decoder;
    check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                             decoder.put()),
          "opening the picture");
    GUID container = {};
    check(decoder->GetContainerFormat(&container), "reading the picture's format");
    if (!isAcceptedContainer(container)) {
        throw RuntimeFailure("not a BMP, JPEG or GIF picture");
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    check(decoder->GetFrame(0, frame.put()), "reading the first frame");
    // 32 bits, not 24: every decoder's output converts to it (under Wine an
    // indexed GIF frame does not convert to 24 bits directly). Premultiplied,
    // so that a GIF's transparent pixels are black on every system, whatever
    // colour its palette gives them.
    const auto converted = convertPixels(factory.get(), frame.get(), GUID_WICPixelFormat32bppPBGRA);
    // Decoded now, into memory: the file is closed once the decoder goes.
    ComPtr<IWICBitmap> pixels;
    check(factory->CreateBitmapFromSource(converted.get(), WICBitmapCacheOnLoad, pixels.put()),
          "decoding the picture");
    return std::make_unique<WicPicture>(std::move(factory), std::move(pixels));
}

}  // namespace tapivex

#include "PictureFiles.h"

#include <windows.h>
#include <wincodec.h>

#include <random>
#include <stdexcept>

namespace tapivex::e2e::pictures {
namespace {

template <typename T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
};

void check(HRESULT result) {
    if (FAILED(result)) throw std::runtime_error("imaging call failed: " + std::to_string(result));
}

// A noisy horizontal gradient through the system's encoder for `container`.
std::string encode(const GUID& container, unsigned width, unsigned height) {
    [[maybe_unused]] static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for good
    std::mt19937 random(1);
    std::vector<BYTE> bgr(std::size_t{width} * height * 3);
    for (std::size_t i = 0; i < bgr.size(); ++i) {
        bgr[i] = static_cast<BYTE>(i / 3 % width * 192 / width + random() % 64);
    }
    ComRef<IWICImagingFactory> factory;
    ComRef<IStream> stream;
    ComRef<IWICBitmapEncoder> encoder;
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(&factory.p)));
    check(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p));
    check(factory->CreateEncoder(container, nullptr, &encoder.p));
    check(encoder->Initialize(stream.p, WICBitmapEncoderNoCache));
    check(encoder->CreateNewFrame(&frame.p, &options.p));
    check(frame->Initialize(options.p));
    check(frame->SetSize(width, height));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    check(frame->SetPixelFormat(&format));
    check(frame->WritePixels(height, width * 3, static_cast<UINT>(bgr.size()), bgr.data()));
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

// One 16 x 16 frame's LZW data with a minimum code size of 2. A clear code before every two
// pixels keeps the decoder's table below 8 entries, so every code stays 3 bits wide and the
// 145 bytes fit one sub-block.
std::string gifFrameData(int frame) {
    std::string packed;
    unsigned bits = 0, count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8) packed += static_cast<char>(bits & 0xFF);
    };
    for (unsigned i = 0; i < 256; ++i) {
        if (i % 2 == 0) put(4);
        put((i % 16 / 4 + i / 64 + static_cast<unsigned>(frame)) % 4);
    }
    put(5);
    if (count > 0) packed += static_cast<char>(bits);
    return std::string("\x02", 1) + static_cast<char>(packed.size()) + packed + '\0';
}

std::string word(std::string bytes, std::size_t at, unsigned value, bool bigEndian = false) {
    bytes[at] = static_cast<char>(bigEndian ? value >> 8 : value & 0xFF);
    bytes[at + 1] = static_cast<char>(bigEndian ? value & 0xFF : value >> 8);
    return bytes;
}

std::string flipBits(std::string bytes, std::size_t from, std::size_t to, std::size_t flips, unsigned seed) {
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < flips; ++i) {
        const std::size_t at = from + random() % (to - from);
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << random() % 8));
    }
    return bytes;
}

std::string noise(std::size_t size, unsigned seed) {
    return flipBits(std::string(size, '\0'), 0, size, size * 4, seed);
}

// The sound pictures the damaged ones are made from, and the JPEG's segments. gif() has a fixed
// layout: screen at 6, palette at 13, image descriptor at 33, code size at 43.
struct Base {
    std::string jpg = jpeg(64, 48), gif = pictures::gif(), png = encode(GUID_ContainerFormatPng, 32, 24);
    std::size_t sof = jpg.find("\xFF\xC0"), dqt = jpg.find("\xFF\xDB"), sos = jpg.find("\xFF\xDA");
    std::size_t data = sos + 2 + static_cast<unsigned char>(jpg[sos + 3]);  // after the short scan header
};

const Base& base() {
    static const Base made;
    return made;
}

// The frame header's height and width, big-endian after its length and precision.
std::string jpegClaiming(unsigned width, unsigned height) {
    return word(word(base().jpg, base().sof + 5, height, true), base().sof + 7, width, true);
}

const char* const text = "60:3\r\nThis is not a picture.\r\n";

std::vector<Damaged> makeCorpus() {
    const std::wstring asJpg = L"damaged.jpg", asGif = L"damaged.gif";
    std::vector<Damaged> corpus = {
        {"EmptyJpeg", asJpg, [] { return std::string(); }},
        {"EmptyGif", asGif, [] { return std::string(); }},
        {"JpegStartMarkerOnly", asJpg, [] { return base().jpg.substr(0, 2); }},
        {"JpegCutInTheFrameHeader", asJpg, [] { return base().jpg.substr(0, base().sof + 7); }},
        {"JpegCutBeforeTheScan", asJpg, [] { return base().jpg.substr(0, base().sos); }},
        {"JpegCutInTheScanHeader", asJpg, [] { return base().jpg.substr(0, base().sos + 6); }},
        {"JpegCutInTheData", asJpg, [] { return base().jpg.substr(0, (base().data + base().jpg.size()) / 2); }},
        {"JpegWithoutEndMarker", asJpg, [] { return base().jpg.substr(0, base().jpg.size() - 2); }},
        {"JpegWithAGarbageTail", asJpg, [] { return base().jpg + noise(1000, 3); }},
        {"JpegClaiming65535x65535", asJpg, [] { return jpegClaiming(0xFFFF, 0xFFFF); }},
        {"JpegClaimingZeroSize", asJpg, [] { return jpegClaiming(0, 0); }},
        {"JpegTableLengthPastTheEnd", asJpg, [] { return word(base().jpg, base().dqt + 2, 0xFFFF, true); }},
        {"PngNamedJpg", asJpg, [] { return base().png; }},
        {"TextNamedJpg", asJpg, [] { return std::string(text); }},
        {"TextNamedGif", asGif, [] { return std::string(text); }},
        {"NoiseNamedJpg", asJpg, [] { return noise(4096, 11); }},
        {"GifWithoutAnImage", asGif, [] { return base().gif.substr(0, 13).replace(10, 1, 1, '\0') + ';'; }},
        {"GifAnimatedWith200Frames", asGif, [] { return gif(200); }},
        {"GifCutAfterTheScreen", asGif, [] { return base().gif.substr(0, 13); }},
        {"GifCutInTheImageData", asGif, [] { return base().gif.substr(0, base().gif.size() - 20); }},
        {"GifWithoutTrailer", asGif, [] { return base().gif.substr(0, base().gif.size() - 1); }},
        {"GifScreenClaiming65535x65535", asGif, [] { return word(word(base().gif, 6, 0xFFFF), 8, 0xFFFF); }},
        {"GifFrameOutsideTheScreen", asGif, [] { return word(word(base().gif, 34, 0xFF00), 36, 0xFF00); }},
        {"GifFrameClaiming65535x65535", asGif, [] { return word(word(base().gif, 38, 0xFFFF), 40, 0xFFFF); }},
        {"GifCodeSizeTwelve", asGif, [] { return base().gif.substr(0, 43) + '\x0C' + base().gif.substr(44); }},
        {"GifDataBitFlips", asGif, [] { return flipBits(base().gif, 45, base().gif.size() - 2, 40, 5); }},
    };
    for (unsigned n : {1, 4, 16, 64}) {
        corpus.push_back({"JpegHeaderBitFlips" + std::to_string(n), asJpg,
                          [n] { return flipBits(base().jpg, 2, base().data, n, 100 + n); }});
        corpus.push_back({"JpegDataBitFlips" + std::to_string(n * 8), asJpg,
                          [n] { return flipBits(base().jpg, base().data, base().jpg.size() - 2, n * 8, 200 + n); }});
    }
    return corpus;
}

}  // namespace

std::string jpeg(unsigned width, unsigned height) { return encode(GUID_ContainerFormatJpeg, width, height); }

std::string gif(int frames) {
    std::string bytes("GIF89a\x10\0\x10\0\x81\0\0\0\0\0\xFF\x40\x40\x40\xFF\x40\x40\x40\xFF", 25);
    if (frames > 1) bytes.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0", 19);  // loop for ever
    for (int frame = 0; frame < frames; ++frame) {
        bytes.append("\x21\xF9\x04\0\x02\0\0\0\x2C\0\0\0\0\x10\0\x10\0\0", 18);  // 20 ms, then the 16 x 16 image
        bytes += gifFrameData(frame);
    }
    return bytes + ';';
}

const std::vector<Damaged>& damagedCorpus() {
    static const std::vector<Damaged> corpus = makeCorpus();
    return corpus;
}

}  // namespace tapivex::e2e::pictures

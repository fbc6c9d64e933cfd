#include "PictureFiles.h"

#include <windows.h>
#include <wincodec.h>

#include <random>
#include <stdexcept>

namespace tapivex::e2e::pictures {
namespace {

template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** put() {
        reset();
        return &pointer_;
    }
    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }

private:
    void reset() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }
    T* pointer_ = nullptr;
};

void check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        char text[128];
        wsprintfA(text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(result));
        throw std::runtime_error(text);
    }
}

// COM stays initialised for the test process, whose main thread makes every picture.
void initialiseCom() {
    static const HRESULT once = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)once;
}

std::vector<BYTE> noisyGradient(unsigned width, unsigned height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(0, 63);
    std::vector<BYTE> bgr(static_cast<std::size_t>(width) * height * 3);
    std::size_t i = 0;
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            bgr[i++] = static_cast<BYTE>(x * 192 / width + noise(random));
            bgr[i++] = static_cast<BYTE>(y * 192 / height + noise(random));
            bgr[i++] = static_cast<BYTE>((x + y) * 96 / (width + height) + noise(random));
        }
    }
    return bgr;
}

std::string readAll(IStream* stream) {
    LARGE_INTEGER zero{};
    ULARGE_INTEGER size{};
    check(stream->Seek(zero, STREAM_SEEK_END, &size), "measuring the stream");
    check(stream->Seek(zero, STREAM_SEEK_SET, nullptr), "rewinding the stream");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    ULONG read = 0;
    check(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), "reading the stream");
    bytes.resize(read);
    return bytes;
}

// 24-bit pixels encoded by the system's encoder for `container`.
std::string encode(const GUID& container, unsigned width, unsigned height, std::vector<BYTE> bgr) {
    initialiseCom();
    ComRef<IWICImagingFactory> factory;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.put())),
          "creating the imaging factory");
    ComRef<IStream> stream;
    check(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), "creating a memory stream");
    ComRef<IWICBitmapEncoder> encoder;
    check(factory->CreateEncoder(container, nullptr, encoder.put()), "creating the encoder");
    check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "starting the encoder");
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    check(encoder->CreateNewFrame(frame.put(), options.put()), "creating the frame");
    check(frame->Initialize(options.get()), "starting the frame");
    check(frame->SetSize(width, height), "setting the size");
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    check(frame->SetPixelFormat(&format), "setting the pixel format");
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) throw std::runtime_error("the encoder wants other pixels");
    check(frame->WritePixels(height, width * 3, static_cast<UINT>(bgr.size()), bgr.data()), "writing the pixels");
    check(frame->Commit(), "finishing the frame");
    check(encoder->Commit(), "finishing the file");
    return readAll(stream.get());
}

// LZW codes of 3 bits, packed from the least significant bit, in sub-blocks.
class GifCodeWriter {
public:
    void put(unsigned code) {
        bits_ |= code << count_;
        count_ += 3;
        while (count_ >= 8) flushByte();
    }
    std::string finish() {
        if (count_ > 0) flushByte();
        std::string blocks;
        for (std::size_t at = 0; at < packed_.size(); at += 255) {
            const std::string block = packed_.substr(at, 255);
            blocks += static_cast<char>(block.size());
            blocks += block;
        }
        return blocks + '\0';
    }

private:
    void flushByte() {
        packed_ += static_cast<char>(bits_ & 0xFF);
        bits_ >>= 8;
        count_ = count_ >= 8 ? count_ - 8 : 0;
    }
    std::string packed_;
    unsigned bits_ = 0;
    unsigned count_ = 0;
};

void putWord(std::string& bytes, unsigned value) {
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
}

// One frame's image data with a minimum code size of 2. A clear code before
// every pair of pixels keeps the decoder's table from growing, so every code
// stays 3 bits wide and needs no compressor.
std::string gifFrameData(int frame, unsigned side) {
    constexpr unsigned clear = 4, end = 5;
    GifCodeWriter codes;
    for (unsigned i = 0; i < side * side; ++i) {
        if (i % 2 == 0) codes.put(clear);
        codes.put((i % side / 4 + i / side / 4 + static_cast<unsigned>(frame)) % 4);
    }
    codes.put(end);
    return std::string(1, '\x02') + codes.finish();
}

// Offsets of the parts of a JPEG, found by walking its segments.
struct JpegLayout {
    std::size_t frameHeader = 0;  // the SOF segment's marker
    std::size_t firstTable = 0;   // the first DQT segment's marker
    std::size_t scanHeader = 0;   // the SOS segment's marker
    std::size_t scanData = 0;     // the first byte of the entropy-coded data
};

JpegLayout layoutOf(const std::string& jpegBytes) {
    JpegLayout layout;
    std::size_t at = 2;
    while (at + 4 <= jpegBytes.size() && static_cast<unsigned char>(jpegBytes[at]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(jpegBytes[at + 1]);
        const std::size_t length = static_cast<unsigned char>(jpegBytes[at + 2]) * 256u +
                                   static_cast<unsigned char>(jpegBytes[at + 3]);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) layout.frameHeader = at;
        if (marker == 0xDB && layout.firstTable == 0) layout.firstTable = at;
        if (marker == 0xDA) {
            layout.scanHeader = at;
            layout.scanData = at + 2 + length;
            return layout;
        }
        at += 2 + length;
    }
    throw std::runtime_error("the encoded JPEG has no scan");
}

std::string flipBits(std::string bytes, std::size_t from, std::size_t to, int flips, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> where(from, to - 1);
    std::uniform_int_distribution<int> bit(0, 7);
    for (int i = 0; i < flips; ++i) bytes[where(random)] ^= static_cast<char>(1 << bit(random));
    return bytes;
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) bytes += static_cast<char>(byte(random));
    return bytes;
}

std::string withWord(std::string bytes, std::size_t at, unsigned value, bool bigEndian) {
    bytes[at] = static_cast<char>(bigEndian ? value >> 8 : value & 0xFF);
    bytes[at + 1] = static_cast<char>(bigEndian ? value & 0xFF : value >> 8);
    return bytes;
}

// A bitmap's file and information headers claiming 65535 x 65535 pixels, and no pixels.
std::string bitmapHeaderOnly() {
    std::string bytes = "BM";
    const unsigned fields[] = {0, 0, 54, 40, 65535, 65535};
    for (unsigned field : fields) {
        putWord(bytes, field & 0xFFFF);
        putWord(bytes, field >> 16);
    }
    putWord(bytes, 1);   // planes
    putWord(bytes, 24);  // bits per pixel
    bytes.append(24, '\0');
    return bytes;
}

using Make = std::function<std::string(const Originals&)>;

// The original JPEG cut to its first `size` bytes, measured on its layout.
Make cutJpeg(std::function<std::size_t(const JpegLayout&, std::size_t)> size) {
    return [size](const Originals& o) { return o.jpeg.substr(0, size(layoutOf(o.jpeg), o.jpeg.size())); };
}

// The frame header's height and width (big-endian, after its length and precision).
Make jpegClaiming(unsigned width, unsigned height) {
    return [=](const Originals& o) {
        const std::size_t at = layoutOf(o.jpeg).frameHeader;
        return withWord(withWord(o.jpeg, at + 5, height, true), at + 7, width, true);
    };
}

// Fixed layout of gif(): header 6, screen 7, palette 12, control extension 8,
// image descriptor 10, then the code size and the data.
constexpr std::size_t gifScreen = 6, gifPalette = 13, gifImage = 33, gifData = 43;

// A word of gif() replaced (little-endian) at `at` and `at + 2`.
Make gifWith(std::size_t at, unsigned first, unsigned second) {
    return [=](const Originals& o) { return withWord(withWord(o.gif, at, first, false), at + 2, second, false); };
}

std::vector<Damaged> makeCorpus() {
    const std::string text = "60:3\r\nThis is not a picture.\r\n";
    std::vector<Damaged> corpus = {
        {"EmptyJpeg", L"damaged.jpg", [](const Originals&) { return std::string(); }},
        {"EmptyGif", L"damaged.gif", [](const Originals&) { return std::string(); }},
        {"JpegStartMarkerOnly", L"damaged.jpg", cutJpeg([](const JpegLayout&, std::size_t) { return 2; })},
        {"JpegCutInItsFirstSegment", L"damaged.jpg", cutJpeg([](const JpegLayout&, std::size_t) { return 20; })},
        {"JpegCutInTheFrameHeader", L"damaged.jpg",
         cutJpeg([](const JpegLayout& j, std::size_t) { return j.frameHeader + 7; })},
        {"JpegCutBeforeTheScan", L"damaged.jpg", cutJpeg([](const JpegLayout& j, std::size_t) { return j.scanHeader; })},
        {"JpegCutInTheScanHeader", L"damaged.jpg",
         cutJpeg([](const JpegLayout& j, std::size_t) { return j.scanHeader + 6; })},
        {"JpegCutInTheData", L"damaged.jpg",
         cutJpeg([](const JpegLayout& j, std::size_t end) { return (j.scanData + end) / 2; })},
        {"JpegWithoutEndMarker", L"damaged.jpg", cutJpeg([](const JpegLayout&, std::size_t end) { return end - 2; })},
        {"JpegWithAGarbageTail", L"damaged.jpg", [](const Originals& o) { return o.jpeg + randomBytes(1000, 3); }},
        {"JpegClaiming65535x65535", L"damaged.jpg", jpegClaiming(0xFFFF, 0xFFFF)},
        {"JpegClaiming65535x8", L"damaged.jpg", jpegClaiming(0xFFFF, 8)},
        {"JpegClaimingZeroSize", L"damaged.jpg", jpegClaiming(0, 0)},
        {"JpegTableLengthPastTheEnd", L"damaged.jpg",
         [](const Originals& o) { return withWord(o.jpeg, layoutOf(o.jpeg).firstTable + 2, 0xFFFF, true); }},
        {"JpegDataZeroed", L"damaged.jpg",
         [](const Originals& o) {
             const std::size_t from = layoutOf(o.jpeg).scanData, end = o.jpeg.size();
             return o.jpeg.substr(0, from) + std::string(end - 2 - from, '\0') + o.jpeg.substr(end - 2);
         }},
        {"PngNamedJpg", L"damaged.jpg", [](const Originals& o) { return o.png; }},
        {"TextNamedJpg", L"damaged.jpg", [text](const Originals&) { return text; }},
        {"TextNamedGif", L"damaged.gif", [text](const Originals&) { return text; }},
        {"RandomBytesNamedJpg", L"damaged.jpg", [](const Originals&) { return randomBytes(4096, 11); }},
        {"BitmapHeaderClaiming65535x65535NamedJpg", L"damaged.jpg",
         [](const Originals&) { return bitmapHeaderOnly(); }},
        // The screen without its palette, then the trailer.
        {"GifHeaderAndTrailerOnly", L"damaged.gif",
         [](const Originals& o) { return o.gif.substr(0, gifPalette).replace(10, 1, 1, '\0') + ";"; }},
        {"GifAnimatedWith200Frames", L"damaged.gif", [](const Originals&) { return gif(200); }},
        {"GifCutAfterTheScreen", L"damaged.gif", [](const Originals& o) { return o.gif.substr(0, gifPalette); }},
        {"GifCutInThePalette", L"damaged.gif", [](const Originals& o) { return o.gif.substr(0, gifPalette + 5); }},
        {"GifCutInTheImageData", L"damaged.gif",
         [](const Originals& o) { return o.gif.substr(0, o.gif.size() - 20); }},
        {"GifWithoutTrailer", L"damaged.gif", [](const Originals& o) { return o.gif.substr(0, o.gif.size() - 1); }},
        {"GifClaiming65535x65535Screen", L"damaged.gif", gifWith(gifScreen, 0xFFFF, 0xFFFF)},
        {"GifFrameOutsideTheScreen", L"damaged.gif", gifWith(gifImage + 1, 0xFF00, 0xFF00)},
        {"GifFrameClaiming65535x65535", L"damaged.gif", gifWith(gifImage + 5, 0xFFFF, 0xFFFF)},
        {"GifCodeSizeTwelve", L"damaged.gif",
         [](const Originals& o) { return o.gif.substr(0, gifData) + '\x0C' + o.gif.substr(gifData + 1); }},
        {"GifDataBitFlips", L"damaged.gif",
         [](const Originals& o) { return flipBits(o.gif, gifData + 2, o.gif.size() - 2, 40, 5); }},
    };
    // Bits flipped in the headers and tables, then in the compressed data.
    const int flips[] = {1, 4, 16, 64};
    for (unsigned i = 0; i < 4; ++i) {
        const int n = flips[i];
        corpus.push_back({"JpegHeaderBitFlips" + std::to_string(n), L"damaged.jpg", [n, i](const Originals& o) {
                              return flipBits(o.jpeg, 2, layoutOf(o.jpeg).scanData, n, 100 + i);
                          }});
        corpus.push_back({"JpegDataBitFlips" + std::to_string(n * 8), L"damaged.jpg", [n, i](const Originals& o) {
                              return flipBits(o.jpeg, layoutOf(o.jpeg).scanData, o.jpeg.size() - 2, n * 8, 200 + i);
                          }});
    }
    return corpus;
}

}  // namespace

std::string jpeg(unsigned width, unsigned height, unsigned seed) {
    return encode(GUID_ContainerFormatJpeg, width, height, noisyGradient(width, height, seed));
}

std::string png(unsigned width, unsigned height) {
    return encode(GUID_ContainerFormatPng, width, height, noisyGradient(width, height, 2));
}

std::string gif(int frames) {
    constexpr unsigned side = 16;
    std::string bytes = "GIF89a";
    putWord(bytes, side);
    putWord(bytes, side);
    bytes += "\x81";  // a global palette of 4 colours
    bytes += std::string("\0\0", 2);
    bytes += std::string("\x00\x00\x00\xFF\x40\x40\x40\xFF\x40\x40\x40\xFF", 12);
    if (frames > 1) bytes += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int frame = 0; frame < frames; ++frame) {
        bytes += std::string("\x21\xF9\x04\x00\x02\x00\x00\x00", 8);  // 20 ms a frame
        bytes += '\x2C';
        putWord(bytes, 0);
        putWord(bytes, 0);
        putWord(bytes, side);
        putWord(bytes, side);
        bytes += '\0';
        bytes += gifFrameData(frame, side);
    }
    return bytes + ';';
}

std::string Damaged::bytes() const {
    static const Originals originals{jpeg(64, 48, 7), gif(), png(32, 24)};
    return make(originals);
}

const std::vector<Damaged>& damagedCorpus() {
    static const std::vector<Damaged> corpus = makeCorpus();
    return corpus;
}

}  // namespace tapivex::e2e::pictures

#include "convert/ExifOrientation.h"

#include <cstdint>
#include <cstring>

namespace tapivex {
namespace {

constexpr int kAsStored = 1;

constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kEndOfImage = 0xD9;

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kEntrySize = 12;  // tag, type, count, value or offset

// TEM and RST0..RST7 stand alone; every other marker heads a segment with a length.
bool IsStandalone(unsigned char marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// The TIFF data of an Exif block, read in the byte order its header names.
class Tiff {
public:
    Tiff(const unsigned char* data, bool bigEndian) : data_(data), bigEndian_(bigEndian) {}

    // The caller has checked that the bytes from `at` lie inside.
    std::uint16_t u16(std::size_t at) const {
        const unsigned first = data_[at], second = data_[at + 1];
        return static_cast<std::uint16_t>(bigEndian_ ? first << 8 | second : second << 8 | first);
    }
    std::uint32_t u32(std::size_t at) const {
        const std::uint32_t first = u16(at), second = u16(at + 2);
        return bigEndian_ ? first << 16 | second : second << 16 | first;
    }

private:
    const unsigned char* data_;
    bool bigEndian_;
};

// The orientation entry of IFD0 in the TIFF data after "Exif\0\0".
int TiffOrientation(const unsigned char* data, std::size_t size) {
    if (size < 8) return kAsStored;
    const bool little = data[0] == 'I' && data[1] == 'I', big = data[0] == 'M' && data[1] == 'M';
    if (!little && !big) return kAsStored;
    const Tiff tiff(data, big);
    if (tiff.u16(2) != 42) return kAsStored;
    const std::uint32_t ifd = tiff.u32(4);
    if (ifd > size - 2) return kAsStored;  // no room for its entry count (size is 8 or more)
    const std::size_t count = tiff.u16(ifd), first = ifd + std::size_t{2};
    // An IFD whose entries run past the block's end is damaged as a whole.
    if ((size - first) / kEntrySize < count) return kAsStored;
    for (std::size_t entry = first; entry < first + count * kEntrySize; entry += kEntrySize) {
        if (tiff.u16(entry) != kOrientationTag) continue;
        if (tiff.u16(entry + 2) != kTypeShort || tiff.u32(entry + 4) != 1) return kAsStored;
        // A single SHORT sits in the first two bytes of the value field.
        const int value = tiff.u16(entry + 8);
        return value >= 1 && value <= 8 ? value : kAsStored;
    }
    return kAsStored;
}

}  // namespace

int JpegOrientation(const unsigned char* data, std::size_t size) {
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return kAsStored;
    // Every pass takes at least one byte, so the walk ends.
    std::size_t at = 2;
    while (at < size) {
        if (data[at] != 0xFF) return kAsStored;  // not a marker where one must be
        while (at < size && data[at] == 0xFF) ++at;  // fill bytes before the marker's code
        if (at == size) break;
        const unsigned char marker = data[at++];
        if (marker == kStartOfScan || marker == kEndOfImage) break;  // an Exif block comes before the image data
        if (IsStandalone(marker)) continue;
        if (size - at < 2) break;
        const std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];  // counts its own two bytes
        if (length < 2 || length > size - at) break;
        const unsigned char* body = data + at + 2;
        const std::size_t bodySize = length - 2;
        // The first Exif block decides; other APP1 blocks (XMP) are passed over.
        if (marker == kApp1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            return TiffOrientation(body + 6, bodySize - 6);
        }
        at += length;
    }
    return kAsStored;
}

}  // namespace tapivex

// Any bytes as a JPEG file: the orientation read from them is 1 to 8, and a
// small picture turned by it and then back is the picture again.
#include <cstdint>
#include <numeric>

#include "convert/ExifOrientation.h"
#include "convert/Orientation.h"

// A broken invariant ends the run: libFuzzer keeps the input, and the stack names the line.
static void Check(bool invariant) { if (!invariant) __builtin_trap(); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    const int orientation = JpegOrientation(data, size);
    Check(orientation >= 1 && orientation <= 8);
    // Up to 67 x 67 pixels of 3 or 4 bytes, numbered byte by byte.
    Pixels stored{1 + static_cast<int>(size % 67), 1 + static_cast<int>(size / 67 % 67), size % 2 ? 4 : 3, {}};
    stored.bytes.resize(static_cast<std::size_t>(stored.width * stored.height * stored.bytesPerPixel));
    std::iota(stored.bytes.begin(), stored.bytes.end(), std::uint8_t{0});
    // 5 to 8 swap the sides. 6 and 8 undo each other; every other turn undoes itself.
    Pixels turned = stored;
    Check(TurnUpright(turned, orientation) && turned.width == (orientation >= 5 ? stored.height : stored.width));
    Check(TurnUpright(turned, orientation == 6 ? 8 : orientation == 8 ? 6 : orientation));
    Check(turned.width == stored.width && turned.height == stored.height && turned.bytes == stored.bytes);
    return 0;
}

// Any bytes as a JPEG file: the orientation read from them is 1 to 8, and a
// small picture turned by it and then back is the picture again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "convert/ExifOrientation.h"
#include "convert/Orientation.h"

// Stops the run: libFuzzer records the input as a crash.
#define FUZZ_CHECK(condition) \
    ((condition) ? void() : (std::fprintf(stderr, "line %d: invariant broken: %s\n", __LINE__, #condition), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tapivex;
    const int orientation = JpegOrientation(data, size);
    FUZZ_CHECK(orientation >= 1 && orientation <= 8);
    // Up to 67 x 67 pixels; the bytes of pixel n are n's low and high byte in
    // turn, so no two pixels are alike.
    Pixels stored{1 + static_cast<int>(size % 67), 1 + static_cast<int>(size / 67 % 67), size % 2 ? 4 : 3, {}};
    for (int i = 0, n = stored.bytesPerPixel; i < stored.width * stored.height * n; ++i) {
        stored.bytes.push_back(static_cast<std::uint8_t>(i / n >> 8 * (i % n % 2)));
    }
    Pixels turned = stored;
    FUZZ_CHECK(TurnUpright(turned, orientation));
    // 5 to 8 swap the sides. 6 and 8 undo each other; every other turn undoes itself.
    FUZZ_CHECK(turned.width == (orientation >= 5 ? stored.height : stored.width) &&
               TurnUpright(turned, orientation == 6 ? 8 : orientation == 8 ? 6 : orientation));
    FUZZ_CHECK(turned.width == stored.width && turned.height == stored.height && turned.bytes == stored.bytes);
    return 0;
}

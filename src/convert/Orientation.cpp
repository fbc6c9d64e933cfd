#include "convert/Orientation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tapivex {
namespace {

// The upright picture of `stored` (N bytes a pixel), written row by row.
template <int N>
std::vector<unsigned char> Upright(const Pixels& stored, int orientation) {
    // Seen as steps, each orientation is: a transpose, (x, y) from (y, x), for 5 to 8;
    // then a left-right mirror for 2, 3, 6, 7; then a top-bottom mirror for 3, 4, 7, 8.
    const bool transpose = orientation >= 5;
    const int within = (orientation - 1) % 4;  // 0 as is, 1 mirror, 2 both, 3 top-bottom
    const bool mirror = within == 1 || within == 2, flip = within >= 2;
    const std::ptrdiff_t width = transpose ? stored.height : stored.width;
    const std::ptrdiff_t height = transpose ? stored.width : stored.height;
    // In stored pixels: the steps to the right along an upright row and down an
    // upright column, and where the upright pixel (0, 0) comes from.
    const std::ptrdiff_t along = transpose ? stored.width : 1, across = transpose ? 1 : stored.width;
    const std::ptrdiff_t right = mirror ? -along : along, down = flip ? -across : across;
    const std::ptrdiff_t origin = (mirror ? (width - 1) * along : 0) + (flip ? (height - 1) * across : 0);

    std::vector<unsigned char> upright(stored.bytes.size());
    unsigned char* to = upright.data();
    for (std::ptrdiff_t y = 0; y < height; ++y) {
        std::ptrdiff_t from = origin + y * down;
        for (std::ptrdiff_t x = 0; x < width; ++x, from += right, to += N) {
            std::memcpy(to, stored.bytes.data() + from * N, N);
        }
    }
    return upright;
}

}  // namespace

bool TurnUpright(Pixels& picture, int orientation) {
    if (picture.width < 0 || picture.height < 0 || (picture.bytesPerPixel != 3 && picture.bytesPerPixel != 4)) {
        return false;
    }
    // In 64 bits: the product can pass the width of a 32-bit size_t.
    const std::uint64_t size = std::uint64_t{static_cast<std::uint32_t>(picture.width)} *
                               static_cast<std::uint32_t>(picture.height) *
                               static_cast<std::uint32_t>(picture.bytesPerPixel);
    if (size != picture.bytes.size()) return false;
    if (orientation < 2 || orientation > 8) return true;
    // The stored bytes go once the upright ones are complete: twice the picture at most.
    picture.bytes = picture.bytesPerPixel == 3 ? Upright<3>(picture, orientation) : Upright<4>(picture, orientation);
    if (orientation >= 5) std::swap(picture.width, picture.height);
    return true;
}

}  // namespace tapivex

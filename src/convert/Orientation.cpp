#include "convert/Orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tapivex {
namespace {

// Seen as steps, orientation n is: a transpose, (x, y) from (y, x), for 5 to 8;
// then a left-right mirror for 2, 3, 6, 7; then a top-bottom mirror for 3, 4, 7, 8.
struct Steps {
    bool transpose, mirror, flip;
};

Steps StepsOf(int orientation) {
    const int within = (orientation - 1) % 4;  // 0 as is, 1 mirror, 2 both, 3 flip
    return {orientation >= 5, within == 1 || within == 2, within >= 2};
}

// Sizes in pixels; N bytes a pixel.
template <int N>
void MirrorRows(unsigned char* bytes, std::ptrdiff_t width, std::ptrdiff_t height) {
    for (std::ptrdiff_t y = 0; y < height; ++y) {
        unsigned char* row = bytes + y * width * N;
        for (std::ptrdiff_t x = 0; x < width / 2; ++x) {
            std::swap_ranges(row + x * N, row + (x + 1) * N, row + (width - 1 - x) * N);
        }
    }
}

void FlipRows(unsigned char* bytes, std::ptrdiff_t rowSize, std::ptrdiff_t height) {
    for (std::ptrdiff_t y = 0; y < height / 2; ++y) {
        std::swap_ranges(bytes + y * rowSize, bytes + (y + 1) * rowSize, bytes + (height - 1 - y) * rowSize);
    }
}

// The stored picture transposed with the mirrors of `steps` folded in: a new
// picture, height wide and width high, whose pixel (x, y) is the stored pixel
// (y or width-1-y, x or height-1-x). Written row by row, so it reads down the
// stored columns.
template <int N>
std::vector<unsigned char> Transposed(const unsigned char* from, std::ptrdiff_t width, std::ptrdiff_t height,
                                      Steps steps) {
    std::vector<unsigned char> upright(static_cast<std::size_t>(width * height * N));
    // In stored pixels: where the upright pixel (0, 0) comes from, and the steps to its right and below.
    const std::ptrdiff_t right = steps.mirror ? -width : width, down = steps.flip ? -1 : 1;
    const std::ptrdiff_t origin = (steps.mirror ? (height - 1) * width : 0) + (steps.flip ? width - 1 : 0);
    unsigned char* to = upright.data();
    for (std::ptrdiff_t y = 0; y < width; ++y) {
        std::ptrdiff_t source = origin + y * down;
        for (std::ptrdiff_t x = 0; x < height; ++x, source += right, to += N) std::memcpy(to, from + source * N, N);
    }
    return upright;
}

template <int N>
void Turn(Pixels& picture, Steps steps) {
    if (steps.transpose) {
        // The stored bytes go only once the upright ones are complete: twice the picture at most.
        picture.bytes = Transposed<N>(picture.bytes.data(), picture.width, picture.height, steps);
        std::swap(picture.width, picture.height);
        return;
    }
    if (steps.mirror) MirrorRows<N>(picture.bytes.data(), picture.width, picture.height);
    if (steps.flip) FlipRows(picture.bytes.data(), std::ptrdiff_t{picture.width} * N, picture.height);
}

}  // namespace

bool TurnUpright(Pixels& picture, int orientation) {
    if (picture.width < 0 || picture.height < 0 || (picture.bytesPerPixel != 3 && picture.bytesPerPixel != 4)) {
        return false;
    }
    // In 64 bits: a product of two ints can pass the width of a 32-bit size_t.
    const std::uint64_t size = std::uint64_t{static_cast<std::uint32_t>(picture.width)} *
                               static_cast<std::uint32_t>(picture.height) *
                               static_cast<std::uint32_t>(picture.bytesPerPixel);
    if (size != picture.bytes.size()) return false;
    if (orientation < 2 || orientation > 8) return true;
    const Steps steps = StepsOf(orientation);
    if (picture.bytesPerPixel == 3) {
        Turn<3>(picture, steps);
    } else {
        Turn<4>(picture, steps);
    }
    return true;
}

}  // namespace tapivex

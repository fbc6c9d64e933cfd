// Turning a decoded picture upright by its Exif orientation (ExifOrientation.h),
// before it is written as the wallpaper's bitmap copy.
#pragma once

#include <vector>

namespace tapivex {

// A decoded picture: rows from the top, each width * bytesPerPixel bytes
// with no padding; 3 or 4 bytes a pixel, in any channel order.
struct Pixels {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 3;
    std::vector<unsigned char> bytes;
};

// Turns `picture` upright by the Exif `orientation`. For a stored picture W
// wide and H high, pixel (x, y) counted from the top left, the upright pixel
// (x, y) is the stored pixel
//   1  (x, y)            as stored
//   2  (W-1-x, y)        mirrored left to right
//   3  (W-1-x, H-1-y)    turned 180 degrees
//   4  (x, H-1-y)        mirrored top to bottom
//   5  (y, x)            mirrored left to right, then turned 270 degrees clockwise
//   6  (y, H-1-x)        turned 90 degrees clockwise
//   7  (W-1-y, H-1-x)    mirrored left to right, then turned 90 degrees clockwise
//   8  (W-1-y, x)        turned 270 degrees clockwise (90 anticlockwise)
// and for 5 to 8 the upright picture is H wide and W high. A turn holds the
// stored and the upright picture at once, no more.
// Another orientation counts as 1. Returns false, leaving the picture as it
// is, when its bytes do not match its size or a pixel is not 3 or 4 bytes.
bool TurnUpright(Pixels& picture, int orientation);

}  // namespace tapivex

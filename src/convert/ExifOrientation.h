// The orientation a camera records beside a JPEG's pixels: a phone stores a
// portrait photo as a landscape picture and says in its Exif block (tag 0x0112
// of the first IFD) how to turn it upright.
#pragma once

#include <cstddef>

namespace tapivex {

// The Exif orientation (1 to 8, see Orientation.h) of the JPEG file whose bytes
// are data[0, size). 1, as stored, when the file is not a JPEG, holds no Exif
// block before its image data, or its block is damaged, cut short or gives no
// valid value. The file comes from anywhere: nothing outside the bytes is read
// and nothing throws.
int JpegOrientation(const unsigned char* data, std::size_t size);

}  // namespace tapivex

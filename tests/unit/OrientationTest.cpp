// Photos taken upright: the Exif orientation read from a JPEG's bytes, and the
// decoded pixels turned by it.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "convert/ExifOrientation.h"
#include "convert/Orientation.h"

namespace tapivex::testing {
namespace {

using namespace std::string_literals;

std::string Segment(char code, const std::string& body) {
    const std::size_t length = body.size() + 2;
    return std::string{'\xFF', code, static_cast<char>(length >> 8), static_cast<char>(length)} + body;
}

// A JPEG start and an Exif block whose IFD0 holds ImageWidth 7, then the
// orientation, and ends the block; its entry count is off by `countOff`.
std::string Exif(bool big, int value, int type = 3, int count = 1, int countOff = 0) {
    std::string tiff = big ? "MM" : "II";
    // Numbers of 2 or 4 bytes, the most significant first when big.
    for (auto [n, width] : {std::pair{42, 2}, {8, 4}, {2 + countOff, 2}, {0x100, 2}, {3, 2}, {1, 4}, {7, 2}, {0, 2},
                            {0x112, 2}, {type, 2}, {count, 4}, {value, 2}, {0, 2}}) {
        for (int i = 0; i < width; ++i) tiff += static_cast<char>(n >> 8 * (big ? width - 1 - i : i));
    }
    return "\xFF\xD8" + Segment('\xE1', "Exif\0\0"s + tiff);
}

TEST(JpegOrientation, FirstExifBlocksShortOrAsStored) {
    const std::string soi = "\xFF\xD8", sos = Segment('\xDA', "...."), exif6 = Exif(false, 6).substr(2);
    const std::string xmp = Segment('\xE1', "http://ns.adobe.com/xap/1.0/" + std::string(300, ' '));  // length over 255
    std::vector<std::tuple<const char*, std::string, int>> rows = {
        {"JFIF, then Exif", soi + Segment('\xE0', "JFIF") + Exif(true, 5).substr(2) + sos + "\xFF\xD9", 5},
        {"XMP and an APP1 too short for the name passed over", soi + xmp + Segment('\xE1', "Exi") + exif6, 6},
        {"fill, RST0, RST7, TEM, empty", soi + "\xFF\xFF\xD0\xFF\xD7\xFF\x01" + Segment('\xE0', "") + exif6, 6},
        {"not a JPEG", "\xFF\xD9" + exif6, 1}, {"nor", "\0\xD8"s + exif6, 1}, {"no Exif", soi + xmp, 1},
        {"Exif after the image data", soi + sos + exif6, 1}, {"nothing after EOI", soi + "\xFF\xD9\0\2"s + exif6, 1},
        {"no marker", soi + xmp + '\0' + exif6, 1}, {"APP1 length 1", soi + "\xFF\xE1\0\1"s + exif6.substr(4), 1},
        {"an Exif block cut short", Exif(false, 6).substr(0, 45), 1}, {"fill bytes to the end", soi + "\xFF\xFF", 1},
        {"a length cut short", soi + "\xFF\xE0\0"s, 1}, {"43 is not TIFF", Exif(false, 6).replace(14, 1, "+"), 1},
        {"not II", Exif(false, 6).replace(12, 2, "IM"), 1}, {"nor MM", Exif(true, 6).replace(12, 2, "MI"), 1},
        {"IFD0 at the last byte", Exif(false, 6).replace(16, 1, "\x21"), 1},
        {"a TIFF header cut short", soi + Segment('\xE1', "Exif\0\0II*\0\x08"s), 1},
        {"IFD past its block; first Exif decides", soi + Segment('\xE1', Exif(false, 6).substr(6, 38)) + exif6, 1},
        {"count past the end", Exif(false, 6, 3, 1, 1), 1}, {"tag beyond the count", Exif(false, 6, 3, 1, -1), 1},
        {"a LONG is not a SHORT", Exif(false, 6, 4), 1}, {"nor are two", Exif(false, 6, 3, 2), 1},
        {"0 is no orientation", Exif(false, 0), 1}, {"nor 9", Exif(true, 9), 1}, {"nor 0x106", Exif(false, 0x106), 1},
    };
    for (int value = 1; value <= 8; ++value) rows.emplace_back("each value, odd in MM", Exif(value % 2, value), value);
    for (const auto& [guards, bytes, orientation] : rows) {
        const std::vector<unsigned char> file(bytes.begin(), bytes.end());  // no terminator: a read past the end shows
        EXPECT_EQ(JpegOrientation(file.data(), file.size()), orientation) << guards;
    }
}

// Pixel `id` holds the bytes id*4, id*4+1...: every pixel and every channel differs.
Pixels Picture(int width, int height, int bytesPerPixel, const std::vector<int>& ids) {
    Pixels picture{width, height, bytesPerPixel, {}};
    for (int id : ids) {
        for (int c = 0; c < bytesPerPixel; ++c) picture.bytes.push_back(static_cast<unsigned char>(id * 4 + c));
    }
    return picture;
}

auto Tie(const Pixels& p) { return std::tie(p.width, p.height, p.bytesPerPixel, p.bytes); }

TEST(TurnUpright, EachOrientationOfAThreeByTwoPicture) {
    // Stored as 1 2 3 over 4 5 6; 5 to 8 come out two wide, 0 and 9 as stored.
    const std::vector<int> upright[] = {{1, 2, 3, 4, 5, 6}, {3, 2, 1, 6, 5, 4}, {6, 5, 4, 3, 2, 1}, {4, 5, 6, 1, 2, 3},
                                        {1, 4, 2, 5, 3, 6}, {4, 1, 5, 2, 6, 3}, {6, 3, 5, 2, 4, 1}, {3, 6, 2, 5, 1, 4}};
    for (int size : {3, 4}) {
        for (int orientation = 0; orientation <= 9; ++orientation) {
            Pixels picture = Picture(3, 2, size, upright[0]);
            EXPECT_TRUE(TurnUpright(picture, orientation));
            const int known = orientation % 9 ? orientation : 1;
            EXPECT_EQ(Tie(picture), Tie(Picture(known > 4 ? 2 : 3, known > 4 ? 3 : 2, size, upright[known - 1])))
                << size << " bytes a pixel, orientation " << orientation;
        }
    }
    // Refused: two bytes a pixel, pixels short, a negative side even with no pixel. A side of 0 is a picture.
    for (Pixels p : {Picture(3, 2, 2, upright[0]), Picture(3, 2, 4, {1}), Pixels{-3, 0, 3, {}}, Pixels{0, -3, 3, {}}}) {
        EXPECT_FALSE(TurnUpright(p, 6)) << p.width << " x " << p.height << ", " << p.bytesPerPixel << " bytes";
    }
    for (Pixels empty : {Pixels{0, 3, 3, {}}, Pixels{3, 0, 4, {}}}) EXPECT_TRUE(TurnUpright(empty, 6));
}

}  // namespace
}  // namespace tapivex::testing

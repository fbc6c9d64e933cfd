// Picture files made at run time for the end-to-end tests: JPEG and PNG through
// Windows Imaging Component's encoders, GIF written byte by byte, and the damaged
// variants of them that the program meets in the wild.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tapivex::e2e::pictures {

// A JPEG of `width` x `height` pixels: a gradient with noise from `seed`, so that
// the compressed data is not trivial.
std::string jpeg(unsigned width, unsigned height, unsigned seed = 1);
// The same kind of picture as PNG.
std::string png(unsigned width, unsigned height);
// A 16 x 16 GIF89a with a four-colour palette and `frames` frames (an animation
// that loops when there are several).
std::string gif(int frames = 1);

// The sound pictures that the damaged ones are made from.
struct Originals {
    std::string jpeg;  // 64 x 48
    std::string gif;   // gif(1)
    std::string png;   // 32 x 24
};

// A damaged picture, written under `fileName` (its extension decides whether the
// program converts it). The bytes are made when a test asks for them, so that
// listing the tests does not start the imaging component.
struct Damaged {
    std::string name;
    std::wstring fileName;
    std::function<std::string(const Originals&)> make;
    std::string bytes() const;
};

// The corpus: at least 30 cases, the same bytes on every run.
const std::vector<Damaged>& damagedCorpus();

}  // namespace tapivex::e2e::pictures

// Picture files made at run time for the end-to-end tests: a JPEG through Windows Imaging
// Component's encoder, a GIF written byte by byte, and damaged variants of both.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tapivex::e2e::pictures {

// A noisy gradient, so that the compressed data is not trivial.
std::string jpeg(unsigned width, unsigned height);
// A 16 x 16 GIF89a with a four-colour palette; several frames make a looping animation.
std::string gif(int frames = 1);

// A damaged picture, written under `fileName`, whose extension decides how the program reads it.
// The bytes are made on demand, so that listing the tests starts no imaging component.
struct Damaged {
    std::string name;
    std::wstring fileName;
    std::function<std::string()> bytes;
};

// More than 30 cases, the same bytes on every run.
const std::vector<Damaged>& damagedCorpus();

}  // namespace tapivex::e2e::pictures

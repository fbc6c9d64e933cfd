// The converted images: bitmap copies of the JPEG and GIF entries, named
// TapiVEX0.BMP, TapiVEX1.BMP... in the conversion folder, in order of conversion.
#pragma once

#include <cstdint>
#include <string>

#include "config/WallpaperListFile.h"
#include "platform/System.h"

namespace tapivex {

// Numbers 0 to 201 are deleted: more than one run can ever write.
inline constexpr int kLastImageNumber = 201;

// `folder` ends with a backslash.
std::wstring ConvertedImageName(const std::wstring& folder, int number);

// True when the upper-case path contains ".JPG", ".JPEG" or ".GIF" anywhere.
bool NeedsConversion(const std::wstring& path);

// Deletes TapiVEX0.bmp to TapiVEX201.bmp in `folder` (ending with a
// backslash); missing files and failed deletions are passed over. With no
// folder known yet (empty) it deletes nothing: bare names would reach files
// of the user's in whatever folder is current.
void DeleteImagesIn(FileSystem& files, const std::wstring& folder);

}  // namespace tapivex

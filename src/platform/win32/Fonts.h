// The faces of the forms' fonts on this system.
#pragma once

#include <string>

namespace tapivex {

// The forms' Japanese faces, or look-alikes of the same width on a system that
// lacks them: the font mapper's own choice may be a fixed-pitch face, which is
// too wide for labels laid out for a proportional one. Other faces as they are.
std::wstring InstalledFace(const std::wstring& face);

}  // namespace tapivex

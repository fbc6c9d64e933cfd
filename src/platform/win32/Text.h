// Conversion between the program's wide texts and the ANSI code page of the
// system (Shift-JIS on a Japanese Windows), used only where an ANSI function
// of Windows is called or ANSI bytes come back from one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tapivex {

// ANSI bytes to wide text. Never fails: a byte sequence that is not valid in
// the code page becomes the code page's replacement character, and NUL bytes
// stay in the text as NUL characters.
std::wstring wideFromAnsi(std::string_view bytes);

// Wide text to ANSI bytes; a character the code page lacks becomes '?'.
// For texts that are data (profile values), not names.
std::string ansiFromWide(std::wstring_view text);

// Wide text to ANSI bytes for a name handed to an ANSI function (a path, a
// section or key name). nullopt when no ANSI name can stand for the text: it
// holds a NUL (the function would read a shorter, different name) or a
// character the code page lacks (a '?' or a best-fit look-alike would name
// something else).
std::optional<std::string> ansiName(std::wstring_view text);

// ANSI bytes without their NULs: what remains of a buffer an ANSI call filled.
std::string withoutNuls(std::string bytes);

// True when the text holds a NUL, which a wide function would silently take
// as the end of the text.
bool holdsNul(std::wstring_view text);

}  // namespace tapivex

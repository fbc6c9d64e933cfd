// The program's version and its maker's details, in one place. Plain macros
// for the version, because the resource compiler reads this file too.
#pragma once

#define TAPIVEX_VERSION_MAJOR 1
#define TAPIVEX_VERSION_MINOR 3
#define TAPIVEX_VERSION_REVISION 0

#ifndef RC_INVOKED
namespace tapivex {

struct MakerDetails {
    const wchar_t* notice;
    const wchar_t* homePage;
    const wchar_t* mailAddress;
    const wchar_t* mailSubject;
};

inline constexpr MakerDetails kMaker{
    L"(C) 2001 Tapivex Project",
    L"https://www.example.jp/tapivex/",
    L"tapivex@example.jp",
    L"タピベックスについて",
};

}  // namespace tapivex
#endif

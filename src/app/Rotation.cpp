// The rotation: each tick of Timer1, when a change falls due, applies the next
// entry with the display style.
#include <cmath>

#include "app/Module2.h"
#include "app/frmMain.h"
#include "platform/Failures.h"

namespace tapivex {
namespace {

// Rounds to the nearest integer, halves to the even neighbour (4.5 -> 4, 5.5 -> 6).
std::int32_t RoundHalfEven(double value) {
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<std::int32_t>(whole);
}

}  // namespace

void frmMain::Timer1_Timer() {
    // A tick that comes while a load rebuilds the list waits for the next one.
    if (loading_) return;
    SkipOnFailure([&] { tickReading_ = static_cast<std::int32_t>(sys_.clock.milliseconds()); });
    SkipOnFailure([&] {
        // The difference is taken modulo 2^32, so the counter's wrap after
        // 49.7 days (or its sign change after 24.9) never pauses the rotation.
        const std::uint32_t elapsedMs =
            static_cast<std::uint32_t>(tickReading_) - static_cast<std::uint32_t>(LastChangeTick);
        elapsedSeconds_ = RoundHalfEven(elapsedMs / 1000.0);
    });
    if (elapsedSeconds_ < g_.ChangeInterval && NextRequested != kTrue) return;

    SkipOnFailure([&] { LastChangeTick = static_cast<std::int32_t>(sys_.clock.milliseconds()); });
    NextRequested = kFalse;
    SkipOnFailure([&] { sys_.files.setCurrentDirectory(sys_.files.programFolder()); });
    if (!g_.WallpaperList[CurrentIndex].Path.empty()) applyCurrentEntry();
    ++CurrentIndex;
    if (CurrentIndex >= EntryCount) CurrentIndex = 0;
}

void frmMain::applyCurrentEntry() {
    const std::wstring& path = g_.WallpaperList[CurrentIndex].Path;
    writeStyleToRegistry();
    bool accepted = false;
    SkipOnFailure([&] { accepted = sys_.desktop.setWallpaper(path); });
    if (accepted) {
        LastAppliedPath = path;
        return;
    }
    // Refused: the desktop goes back to the last picture it accepted. Before
    // any, the user's own wallpaper stays: the empty path would remove it.
    writeStyleToRegistry();
    if (LastAppliedPath.empty()) return;
    SkipOnFailure([&] { sys_.desktop.setWallpaper(LastAppliedPath); });
}

void frmMain::writeStyleToRegistry() {
    if (g_.DisplayStyle == kKeepSystemStyle) return;
    SkipOnFailure([&] { WriteDesktopRegistry(sys_.desktop, kWallpaperStyleValue, g_.DisplayStyle); });
    SkipOnFailure([&] { WriteDesktopRegistry(sys_.desktop, kTileWallpaperValue, g_.DisplayStyle); });
}

}  // namespace tapivex

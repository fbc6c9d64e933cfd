// Parts of the system that the program sets up at their first use, and
// functions of newer Windows versions, looked up at run time so that the
// program still starts where they are missing.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace tapivex {

// COM for this (the user-interface) thread, apartment-threaded as the folder
// picker and the shell's handlers of links need it: set up at the program's
// start (or a test's first use), once, and left at the program's end.
void EnsureComInitialized();
void UninitializeCom();

// The common controls, loaded with the first form window: the program mostly
// sits in the notification area and never needs them there. The manifest
// makes the loader pick version 6, side by side.
struct CommonControls {
    decltype(&SetWindowSubclass) setSubclass;
    decltype(&RemoveWindowSubclass) removeSubclass;
    decltype(&DefSubclassProc) defaultProcedure;
};
// Throws RuntimeFailure when comctl32 cannot be loaded.
const CommonControls& Comctl();

// The dots per inch of the monitor a window is on (the system's, before
// Windows 10), and twips (1/1440 inch) in pixels at that resolution.
int WindowDpi(HWND hwnd);
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// AdjustWindowRectEx at `dpi` (per monitor from Windows 10 on).
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

// True under Wine, whose ntdll exports its version.
bool RunningUnderWine();

// Lets a dialog rescale itself when it moves to a monitor of another DPI,
// instead of the dialog manager (Windows 10 1703 and later).
void LetDialogRescaleItself(HWND dialog);

}  // namespace tapivex

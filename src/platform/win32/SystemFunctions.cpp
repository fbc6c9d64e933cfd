#include "platform/win32/SystemFunctions.h"

#include <objbase.h>

#include <utility>

#include "platform/Failures.h"

namespace tapivex {
namespace {

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
    FARPROC function = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

template <typename Function>
Function User32Function(const char* name) {
    return Lookup<Function>(GetModuleHandleW(L"user32.dll"), name);
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
constexpr int kDialogDpiChangeDisableAll = 1;  // DDC_DISABLE_ALL

bool comInitialized = false;  // by this program, which then uninitialises it

}  // namespace

void EnsureComInitialized() {
    static const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialized = SUCCEEDED(result);
}

void UninitializeCom() {
    if (std::exchange(comInitialized, false)) CoUninitialize();
}

const CommonControls& Comctl() {
    static const CommonControls functions = [] {
        HMODULE dll = LoadLibraryW(L"comctl32.dll");
        const auto initialize = Lookup<decltype(&InitCommonControlsEx)>(dll, "InitCommonControlsEx");
        CommonControls loaded{Lookup<decltype(&SetWindowSubclass)>(dll, "SetWindowSubclass"),
                              Lookup<decltype(&RemoveWindowSubclass)>(dll, "RemoveWindowSubclass"),
                              Lookup<decltype(&DefSubclassProc)>(dll, "DefSubclassProc")};
        if (!initialize || !loaded.setSubclass || !loaded.removeSubclass || !loaded.defaultProcedure) {
            throw RuntimeFailure("the common controls are missing");
        }
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
        initialize(&classes);
        return loaded;
    }();
    return functions;
}

int WindowDpi(HWND hwnd) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjust = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

bool RunningUnderWine() {
    static const bool wine = Lookup<void (*)()>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

void LetDialogRescaleItself(HWND dialog) {
    static const auto setBehaviour = User32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehaviour) setBehaviour(dialog, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
}

}  // namespace tapivex

// The one place where a handler's exceptions stop: nothing crosses the
// system's message dispatch, which cannot carry a C++ exception.
#pragma once

#include <windows.h>

#include "platform/Failures.h"
#include "platform/win32/SystemFunctions.h"

namespace tapivex {

// Runs a handler of the program's windows. The program's "end at once"
// arrives as ProgramEnd and ends the process without running anything else,
// once COM is left.
// Any other failure abandons the handler alone: the program goes on with the
// next message, as it does after a step of the rotation that failed.
template <typename Handler>
void RunHandler(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const ProgramEnd&) {
        UninitializeCom();
        ExitProcess(0);
    } catch (...) {
    }
}

}  // namespace tapivex

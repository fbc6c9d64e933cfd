// How the program's control flow leaves a handler early.
#pragma once

#include <stdexcept>
#include <string>

namespace tapivex {

// A run-time failure: a file that cannot be read, a number too large for its
// variable, a picture that cannot be loaded. The load sequence turns it into
// its start-up failure message; the rotation tick skips the failing step.
class RuntimeFailure : public std::runtime_error {
public:
    explicit RuntimeFailure(const std::string& what) : std::runtime_error(what) {}
};

// The program ends at once: no further handler runs. Thrown by the shutdown
// and by the load's own stops; the window host ends the process when it
// arrives there, and tests catch it.
struct ProgramEnd {};

}  // namespace tapivex

namespace tapivex {

// Runs one step under the "skip what fails" rule of the rotation tick and the
// browse button: a failing step is abandoned silently and the caller goes on.
template <typename Step>
void SkipOnFailure(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace tapivex

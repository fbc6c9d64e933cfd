// What the hidden main window offers to its handlers.
#pragma once

namespace tapivex {

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // True when another copy of the program was already running at this one's start.
    virtual bool previousInstance() = 0;
    // 0 stops Timer1; any other value makes it tick at that many milliseconds.
    virtual void setTimerInterval(unsigned milliseconds) = 0;
    // Moves the window; positions in twips, size unchanged.
    virtual void moveTo(int leftTwips, int topTwips) = 0;
};

}  // namespace tapivex

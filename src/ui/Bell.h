#pragma once

#include "seam/Seam.h"

// The system's beep and a short pause between sounds. The pause keeps the
// event loop running, so windows are still painted and timers still fire.
class TBell
{
public:
    virtual ~TBell() = default;

    static void Beep();
    static void Pause(int milliseconds);

    // QApplication::beep and a local event loop that a timer ends.
    static TBell& Real();

protected:
    virtual void Sound() = 0;
    virtual void Wait(int milliseconds) = 0;
};

#pragma once

#include "seam/Seam.h"

#include <QDateTime>

// The workstation's wall clock: a seam like the others (see ui/Seam.h).
// Everything that asks "what time is it" asks here, so that tests can set
// the time instead of waiting for it (support/ClockScript.h).
class TClock
{
public:
    virtual ~TClock() = default;

    // Local date and time now, from the current implementation.
    static QDateTime Now();

    // The system clock.
    static TClock& Real();

protected:
    virtual QDateTime Current() = 0;
};

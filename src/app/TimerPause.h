#pragma once

#include <QTimer>

// Stops a timer for the guard's lifetime and starts it again when the
// guard goes, also when an exception passes; the interval then counts from
// the end of the work, so one run never overlaps the next.
class TTimerPause
{
public:
    explicit TTimerPause(QTimer& timer) : Timer_(timer) { Timer_.stop(); }
    ~TTimerPause() { Timer_.start(); }
    TTimerPause(const TTimerPause&) = delete;
    TTimerPause& operator=(const TTimerPause&) = delete;

private:
    QTimer& Timer_;
};

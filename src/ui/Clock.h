#pragma once

#include <QDateTime>

#include <functional>

// The workstation's wall clock. Everything that asks "what time is it"
// asks here, so that tests can set the time instead of waiting for it.
class TClock
{
public:
    using TSource = std::function<QDateTime()>;

    // Local date and time now, from the installed source or the system clock.
    static QDateTime Now();

    // Installs a source for the current time; an empty one restores the
    // system clock.
    static void SetSource(TSource source);
};

// Sets a fixed (or changing) time for its lifetime, for tests.
class TClockOverride
{
public:
    explicit TClockOverride(QDateTime fixed);
    explicit TClockOverride(TClock::TSource source);
    ~TClockOverride();
    TClockOverride(const TClockOverride&) = delete;
    TClockOverride& operator=(const TClockOverride&) = delete;
};

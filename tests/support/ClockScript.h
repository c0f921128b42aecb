#pragma once

#include "storage/Clock.h"

#include <functional>

// Stands in for the wall clock while it lives: a fixed time, one the test
// moves with Set, or whatever a source function says.
class TClockScript : public TClock
{
public:
    using TSource = std::function<QDateTime()>;

    explicit TClockScript(QDateTime fixed);
    explicit TClockScript(TSource source);

    void Set(QDateTime now);

protected:
    QDateTime Current() override { return Source_(); }

private:
    TSource Source_;
    TSeam<TClock>::TOverride Override_{*this};
};

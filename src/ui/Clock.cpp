#include "ui/Clock.h"

namespace {

TClock::TSource& Source()
{
    static TClock::TSource source;
    return source;
}

}  // namespace

QDateTime TClock::Now()
{
    if (Source())
        return Source()();
    return QDateTime::currentDateTime();
}

void TClock::SetSource(TSource source)
{
    Source() = std::move(source);
}

TClockOverride::TClockOverride(QDateTime fixed)
{
    TClock::SetSource([fixed] { return fixed; });
}

TClockOverride::TClockOverride(TClock::TSource source)
{
    TClock::SetSource(std::move(source));
}

TClockOverride::~TClockOverride()
{
    TClock::SetSource({});
}

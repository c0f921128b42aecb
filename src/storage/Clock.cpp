#include "storage/Clock.h"

namespace {

class TSystemClock : public TClock
{
protected:
    QDateTime Current() override { return QDateTime::currentDateTime(); }
};

}  // namespace

QDateTime TClock::Now()
{
    return TSeam<TClock>::Current().Current();
}

TClock& TClock::Real()
{
    static TSystemClock real;
    return real;
}

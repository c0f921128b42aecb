#include "ui/Bell.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

class TQtBell : public TBell
{
protected:
    void Sound() override { QApplication::beep(); }
    void Wait(int milliseconds) override
    {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

}  // namespace

void TBell::Beep()
{
    TSeam<TBell>::Current().Sound();
}

void TBell::Pause(int milliseconds)
{
    TSeam<TBell>::Current().Wait(milliseconds);
}

TBell& TBell::Real()
{
    static TQtBell real;
    return real;
}

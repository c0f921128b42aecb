#pragma once

#include "ui/Seam.h"

#include <QStringList>

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

// Stands in for the bell while it lives: records "beep" and "pause N"
// instead of sounding or waiting.
class TBellScript : public TBell
{
public:
    const QStringList& Log() const { return Log_; }

protected:
    void Sound() override { Log_ << QStringLiteral("beep"); }
    void Wait(int milliseconds) override { Log_ << QStringLiteral("pause %1").arg(milliseconds); }

private:
    QStringList Log_;
    TSeam<TBell>::TOverride Override_{*this};
};

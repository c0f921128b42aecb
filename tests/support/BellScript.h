#pragma once

#include "ui/Bell.h"

#include <QStringList>

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

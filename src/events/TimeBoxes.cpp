#include "events/TimeBoxes.h"

#include "storage/Stamp.h"
#include "ui/DateEdit.h"

#include <QComboBox>

namespace {

constexpr int kMinuteStep = 5;

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

TTimeBoxes::TTimeBoxes(TDateEdit& date, QComboBox& hour, QComboBox& minute)
    : Date_(date), Hour_(hour), Minute_(minute)
{
}

void TTimeBoxes::Fill()
{
    for (int hour = 0; hour < 24; ++hour)
        Hour_.addItem(TwoDigits(hour));
    for (int minute = 0; minute < 60; minute += kMinuteStep)
        Minute_.addItem(TwoDigits(minute));
}

void TTimeBoxes::Show(const TStamp& stamp)
{
    Date_.SetDate(QDate(stamp.Year(), stamp.Month(), stamp.Day()));
    Hour_.setCurrentIndex(stamp.Hour());
    Minute_.setCurrentIndex(stamp.Minute() / kMinuteStep);
}

void TTimeBoxes::Take(TStamp& stamp, bool dateOnly) const
{
    stamp.SetDateTime(QDateTime(Date_.Date(), QTime(0, 0)));
    if (dateOnly)
        return;
    stamp.Increment(suHour, Hour_.currentIndex());
    stamp.Increment(suMinute, kMinuteStep * Minute_.currentIndex());
}

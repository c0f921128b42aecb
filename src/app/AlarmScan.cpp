#include "app/AlarmScan.h"

#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

TAlarmScan::TAlarmScan(TXIsamFile& alarms, std::string userId) : Alarms_(alarms), UserId_(std::move(userId))
{
}

void TAlarmScan::Run(TStamp& clock, const TNotice& notice)
{
    TAlarmRec alarm;
    for (;;) {
        // After each notice the walk starts over at the user's earliest
        // alarm: a notice may have moved or removed the one it showed.
        TKeyWalk walk = TKeyWalk::Prefix(Alarms_, TOrbekoDB::AlarmUserKey, UserId_);
        if (!walk.Next(alarm))
            return;
        clock.SetNow();
        if (IdValue(FieldText(alarm.AlarmStamp)) > clock.Seconds())
            return;
        if (!notice(alarm, walk.Id()))
            return;
    }
}

int TAlarmScan::Due(TStamp& clock)
{
    clock.SetNow();
    TAlarmRec alarm;
    int due = 0;
    // Key 5 orders the user's alarms by due stamp: the first not yet due ends the count.
    for (TKeyWalk walk = TKeyWalk::Prefix(Alarms_, TOrbekoDB::AlarmUserKey, UserId_); walk.Next(alarm); ++due)
        if (IdValue(FieldText(alarm.AlarmStamp)) > clock.Seconds())
            break;
    return due;
}

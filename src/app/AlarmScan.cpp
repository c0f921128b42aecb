#include "app/AlarmScan.h"

#include "storage/KfsStatus.h"
#include "storage/Stamp.h"
#include "storage/XIsamFile.h"

#include <stdexcept>

namespace {

constexpr int16_t kUserAlarmKey = 5;

}  // namespace

TAlarmScan::TAlarmScan(TXIsamFile& alarms, std::string userId) : Alarms_(alarms), UserId_(std::move(userId))
{
}

void TAlarmScan::StartOver()
{
    // Only positions in front of the user's alarms: no key of this index
    // is as short as a user id, so the read itself never finds one.
    TAlarmRec scratch;
    Alarms_.GetEqual(scratch, kUserAlarmKey, UserId_);
}

void TAlarmScan::Run(TStamp& clock, const TNotice& notice)
{
    StartOver();
    TAlarmRec alarm;
    while (Alarms_.GetNext(alarm, kUserAlarmKey, UserId_, gcPrefix)) {
        clock.SetNow();
        if (IdValue(FieldText(alarm.AlarmStamp)) > clock.Seconds())
            return;
        if (!notice(alarm, Alarms_.LastKey()))
            return;
        StartOver();
    }
    if (Alarms_.Status() != ksNotFound)
        throw std::runtime_error(Alarms_.StatusText());
}

#pragma once

#include "storage/Records.h"

#include <functional>
#include <string>

class TStamp;
class TXIsamFile;

// The due alarms of one user, earliest first, read on key 5 (user id
// followed by due stamp) of an alarms file.
class TAlarmScan
{
public:
    // Shown one due alarm; the alarm buffer and its id. False ends the scan
    // (the alarm could not be written: showing it again at once would trap
    // the user in the same notice).
    using TNotice = std::function<bool(TAlarmRec& alarm, const std::string& alarmId)>;

    TAlarmScan(TXIsamFile& alarms, std::string userId);

    // Hands every alarm of the user that is due by the clock's present
    // second to notice, one at a time. After each notice the scan starts
    // over from the user's earliest alarm, so an alarm the notice left due
    // comes straight back and one it moved or removed does not. A read that
    // fails for any other reason than the end of the user's alarms raises
    // the file's status text.
    void Run(TStamp& clock, const TNotice& notice);
    // How many of the user's alarms are due by the clock's present second.
    int Due(TStamp& clock);

private:
    TXIsamFile& Alarms_;
    const std::string UserId_;
};

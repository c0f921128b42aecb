#pragma once

#include "app/DiaryOutage.h"
#include "storage/Stamp.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TOrbekoDB;
class TfrmNotify;

// The alarm monitor's tick: the view follows what other workstations
// wrote, series whose horizon came near are made further (by whichever
// workstation comes first, under the series' lock), then the logged-in
// user's due alarms show, earliest first. A diary server or folder out of
// reach is told once, not at every tick; the tick that reaches it again
// reads the view afresh and shows what fell due meanwhile.
class TAlarmMonitor
{
public:
    struct TReactions
    {
        std::function<void()> Follow;  // a look for other workstations' writes
        std::function<void()> Reload;  // the view read afresh, after an alarm or an outage
        std::function<void(int)> Due;  // how many alarms are due, counted at each tick
    };

    // db: the monitor's own connection, so that a notice never waits on a
    // command's records.
    TAlarmMonitor(std::unique_ptr<TOrbekoDB> db, TfrmNotify& notify, TReactions reactions);
    ~TAlarmMonitor();

    TOrbekoDB& Db() const { return *Db_; }
    // One tick for the user logged in. A failure other than the diary
    // being out of reach raises.
    void Tick(const std::string& userId);

private:
    const std::unique_ptr<TOrbekoDB> Db_;
    TfrmNotify& Notify_;
    const TReactions Reactions_;
    TDiaryOutage Outage_;
    TStamp Clock_;
    // The hour series were last looked at: their horizons move by the day,
    // so once an hour is plenty.
    int64_t SeriesHour_ = -1;
};

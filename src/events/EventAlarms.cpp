#include "events/EventAlarms.h"

#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <stdexcept>

TEventAlarms::TEventAlarms(TXIsamFile& alarmFile, const std::string& entryId) : File_(alarmFile)
{
    std::vector<std::string> ids;
    TAlarmRec alarm;
    // A read that fails raises: a missed alarm would outlive its event.
    TKeyWalk walk = TKeyWalk::Prefix(File_, TOrbekoDB::AlarmEntryKey, entryId);
    while (walk.Next(alarm))
        ids.push_back(walk.Id());

    for (const std::string& id : ids) {
        TRecordLock lock(File_, id);
        if (!lock.Held()) {
            Locks_.clear();
            Locked_ = false;
            return;
        }
        // The alarm monitor may have switched the alarm off between the
        // read and the lock; one that is gone needs no deleting.
        if (!FindRecord(File_, alarm, TOrbekoDB::AlarmIdKey, id))
            continue;
        Locks_.push_back(std::move(lock));
    }
}

void TEventAlarms::DeleteAll()
{
    for (const TRecordLock& lock : Locks_)
        if (!File_.Delete(lock.Key()))
            throw std::runtime_error(File_.StatusText());
}

#include "events/EventAlarms.h"

#include "storage/KfsStatus.h"
#include "storage/Records.h"
#include "storage/XIsamFile.h"

#include <stdexcept>

namespace {

constexpr int16_t kIdKey = 0;
constexpr int16_t kEntryKey = 3;

}  // namespace

TEventAlarms::TEventAlarms(TXIsamFile& alarmFile, const std::string& entryId) : File_(alarmFile)
{
    std::vector<std::string> ids;
    TAlarmRec alarm;
    if (File_.GetEqual(alarm, kEntryKey, entryId))
        ids.push_back(File_.LastKey());
    while (File_.GetNext(alarm, kEntryKey, entryId, gcPrefix))
        ids.push_back(File_.LastKey());
    // The walk ends behind the event's last alarm; anything else is a read
    // that failed, and a missed alarm would outlive its event.
    if (File_.Status() != ksNotFound)
        throw std::runtime_error(File_.StatusText());

    for (const std::string& id : ids) {
        TRecordLock lock(File_, id);
        if (!lock.Held()) {
            Locks_.clear();
            Locked_ = false;
            return;
        }
        // The alarm monitor may have switched the alarm off between the
        // read and the lock; one that is gone needs no deleting.
        if (!File_.GetEqual(alarm, kIdKey, id)) {
            if (File_.Status() != ksNotFound)
                throw std::runtime_error(File_.StatusText());
            continue;
        }
        Locks_.push_back(std::move(lock));
    }
}

void TEventAlarms::DeleteAll()
{
    for (const TRecordLock& lock : Locks_)
        if (!File_.Delete(lock.Key()))
            throw std::runtime_error(File_.StatusText());
}

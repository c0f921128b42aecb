#pragma once

#include "kfstore/RecordLock.h"

#include <string>
#include <vector>

class TXIsamFile;

// The alarm records of one event, each under its record lock for as long as
// this object lives. Either every alarm of the event is held or none is, so
// a refused lock leaves all of them as they were.
class TEventAlarms
{
public:
    // Reads the event's alarms by their entry key and locks them one by
    // one. A failed read throws std::runtime_error with the file's status.
    TEventAlarms(TXIsamFile& alarmFile, const std::string& entryId);

    // False when another user holds the lock of one of the alarms.
    bool Locked() const { return Locked_; }

    // Deletes every held alarm; a failed delete throws std::runtime_error
    // with the file's status, and the locks are still released.
    void DeleteAll();

private:
    TXIsamFile& File_;
    std::vector<TRecordLock> Locks_;
    bool Locked_ = true;
};

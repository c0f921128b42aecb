#include "admin/UserDeletion.h"

#include "admin/UserAccounts.h"

#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "kfstore/RecordLock.h"
#include "kfstore/WriteBatch.h"
#include "series/SeriesStore.h"
#include "storage/Stamp.h"

#include <stdexcept>
#include <utility>

namespace {

// Throws the lock message when another user holds the record, or the
// file's status when the lock failed for another reason.
void RequireLock(const TRecordLock& lock, const TXIsamFile& file)
{
    if (lock.Held())
        return;
    if (file.Status() == ksLocked)
        throw std::runtime_error(TUserDeletion::LockedMessage);
    throw std::runtime_error(file.StatusText());
}

}  // namespace

TUserDeletion::TUserDeletion(TOrbekoDB& db, TUserDeletionPlan plan) : Db_(db), Plan_(std::move(plan)) {}

bool TUserDeletion::Involves(const std::string& userId, const TDayEntryRec& entry)
{
    if (FieldText(entry.OwnerId) == userId)
        return true;
    for (const auto& assignee : entry.AssigneeIds)
        if (FieldText(assignee) == userId)
            return true;
    return false;
}

TEntryChange TUserDeletion::Apply(const TUserDeletionPlan& plan, TDayEntryRec& entry)
{
    if (!Involves(plan.UserId, entry))
        return TEntryChange::None;
    if (FieldText(entry.OwnerId) == plan.UserId) {
        if (plan.NewOwnerId.empty())
            return TEntryChange::Delete;
        SetField(entry.OwnerId, plan.NewOwnerId);
    }
    // Every slot that names him is cleared in place; the others keep their
    // places, so the list is not packed.
    bool assigned = false;
    bool others = false;
    for (auto& assignee : entry.AssigneeIds) {
        const std::string id = FieldText(assignee);
        if (id == plan.UserId) {
            SetField(assignee, kNoneId);
            assigned = true;
        } else if (id != kNoneId) {
            others = true;
        }
    }
    if (!assigned || others)
        return TEntryChange::Rewrite;
    if (plan.NewAssigneeId.empty())
        return TEntryChange::Delete;
    SetField(entry.AssigneeIds[0], plan.NewAssigneeId);
    return TEntryChange::Rewrite;
}

void TUserDeletion::RefuseLastAdministrator()
{
    if (!TUserAccounts(Db_.UserFile).LastAdministrator(Plan_.UserId))
        return;
    TUserRec user;
    if (!FindRecord(Db_.UserFile, user, TOrbekoDB::UserIdKey, Plan_.UserId))
        return;  // deleted meanwhile
    throw ELastAdministrator(TUserAccounts::LastAdministratorText(FieldText(user.UserName)));
}

bool TUserDeletion::Run()
{
    // Held to the end, so that no one takes the right from the others while
    // the run counts on them.
    const TRecordLock rights = TUserAccounts(Db_.UserFile).RightsTurn();
    RequireLock(rights, Db_.UserFile);
    RefuseLastAdministrator();
    TXIsamFile& entries = Db_.DayEntryFile;
    const int32_t count = entries.RecordCount();
    if (OnStart)
        OnStart(count);
    TDayEntryRec entry;
    TWriteBatch batch(entries);
    std::vector<std::string> deleted;
    TKeyWalk walk = TKeyWalk::All(entries, TOrbekoDB::DayEntryIdKey);
    while (walk.Next(entry)) {
        if (OnStep)
            OnStep();
        if (Involves(Plan_.UserId, entry) && ChangeEntry(walk.Id()) == TEntryChange::Delete)
            deleted.push_back(walk.Id());
    }
    if (!batch.Commit())
        throw std::runtime_error(entries.StatusText());
    // Only once the deletions are stored: a run cut short before keeps
    // every event that is still there whole.
    for (const std::string& id : deleted)
        Db_.Details.RemoveEvent(id);
    ChangeSeries();
    const bool alarmsDeleted = DeleteAlarms(TOrbekoDB::AlarmUserKey, Plan_.UserId);
    // An event that goes takes the other users' alarms on it too: they
    // would only point at nothing.
    for (const std::string& id : deleted)
        DeleteAlarms(TOrbekoDB::AlarmEntryKey, id);
    if (!Db_.UserFile.Delete(Plan_.UserId))
        throw std::runtime_error(Db_.UserFile.StatusText());
    Db_.Details.RemoveUser(Plan_.UserId);
    return alarmsDeleted;
}

// The walk's copy may be stale by now: the change is made to the record as
// it is stored once the lock is held. The walk's reading position is kept
// per key, so reading the same record again by its identifier leaves it.
TEntryChange TUserDeletion::ChangeEntry(const std::string& id)
{
    TXIsamFile& entries = Db_.DayEntryFile;
    const TRecordLock lock(entries, id);
    RequireLock(lock, entries);
    TDayEntryRec entry;
    if (!FindRecord(entries, entry, TOrbekoDB::DayEntryIdKey, id))
        return TEntryChange::None;  // deleted meanwhile
    const TDayEntryRec stored = entry;
    const TEntryChange change = Apply(Plan_, entry);
    switch (change) {
    case TEntryChange::None:
        break;
    case TEntryChange::Rewrite:
        // A new owner needs the details guarded for him, before the entry
        // names him, so that a run cut short between the two keeps them.
        if (FieldText(entry.OwnerId) != FieldText(stored.OwnerId))
            Db_.Details.WriteEvent(id, entry, Db_.Details.Event(id, stored), &stored);
        if (!entries.Rewrite(entry, id))
            throw std::runtime_error(entries.StatusText());
        break;
    case TEntryChange::Delete:
        if (!entries.Delete(id))
            throw std::runtime_error(entries.StatusText());
        break;
    }
    return change;
}

bool TUserDeletion::DeleteAlarms(int16_t keyNumber, const std::string& id)
{
    TXIsamFile& alarms = Db_.AlarmFile;
    bool deleted = false;
    TWriteBatch batch(alarms);
    TAlarmRec alarm;
    // Positions in front of the alarms; no alarm key is as short as an id.
    TKeyWalk walk = TKeyWalk::Prefix(alarms, keyNumber, id);
    while (walk.Next(alarm)) {
        const std::string alarmId = walk.Id();
        const TRecordLock lock(alarms, alarmId);
        RequireLock(lock, alarms);
        if (!alarms.Delete(alarmId)) {
            if (alarms.Status() != ksNotFound)
                throw std::runtime_error(alarms.StatusText());
            continue;  // switched off meanwhile
        }
        deleted = true;
    }
    if (!batch.Commit())
        throw std::runtime_error(alarms.StatusText());
    return deleted;
}

// The series are changed as their occurrences were, so that occurrences
// made later are made without him.
void TUserDeletion::ChangeSeries()
{
    TSeriesStore store(Db_, TStamp().Seconds());
    for (const std::string& id : store.Ids()) {
        std::optional<TSeries> series = store.Read(id);
        if (!series || !Involves(Plan_.UserId, series->Template))
            continue;
        TSeriesStore::TResult result;
        if (Apply(Plan_, series->Template) == TEntryChange::Delete)
            result = store.Dissolve(id);
        else
            result = store.RewriteTemplate(*series);
        if (result == TSeriesStore::TResult::Locked)
            throw std::runtime_error(LockedMessage);
    }
}

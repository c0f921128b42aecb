#include "app/ViewFeeder.h"

#include "prefs/FilterRules.h"
#include "prefs/Session.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "views/DayEntries.h"

#include <stdexcept>

TViewFeeder::TViewFeeder(TOrbekoDB& db, const TFilterRules& rules, const TSession& session)
    : Users(db.UserFile.FileName()),
      Categories(db.CategoryFile.FileName()),
      Db_(db),
      Rules_(rules),
      Session_(session),
      EntriesWatch_(db.DayEntryFile.FileName()),
      AlarmsWatch_(db.AlarmFile.FileName()),
      EntriesSeen_(EntriesWatch_.Version()),
      AlarmsSeen_(AlarmsWatch_.Version())
{
    Users.OnUpdate = [this](TOrbekoCache& cache) { cache.InsertAll(Db_.UserFile); };
    Categories.OnUpdate = [this](TOrbekoCache& cache) { cache.InsertAll(Db_.CategoryFile); };
}

void TViewFeeder::DayEntries(const std::string& datePkVal, TDayEntries& entries)
{
    TXIsamFile& file = Db_.DayEntryFile;
    const std::string end = IdText(IdValue(datePkVal) + 86400);
    TDayEntryRec entry;
    // The walk ends where the day ends; a read that failed raises rather
    // than pass for a day with fewer events.
    TKeyWalk walk = TKeyWalk::From(file, TOrbekoDB::DayEntryStampKey, datePkVal, end, gcBelow);
    while (walk.Next(entry))
        if (EntryVisible(entry, Rules_, Session_))
            entries.AddEntry(entry, walk.Id());
}

std::string TViewFeeder::UserName(const std::string& pk)
{
    TUserRec user;
    Users.Lookup(pk, user);
    return FieldText(user.Abbreviation);
}

std::string TViewFeeder::CategoryDescription(const std::string& pk)
{
    TCategoryRec category;
    Categories.Lookup(pk, category);
    return FieldText(category.Description);
}

bool TViewFeeder::Alarmed(const std::string& entryId)
{
    const std::optional<TFileVersion> now = AlarmsWatch_.Version();
    if (!now) {
        // The file cannot be watched: ask it about this entry alone.
        TAlarmRec alarm;
        return Db_.AlarmFile.GetEqual(alarm, TOrbekoDB::AlarmEntryKey, entryId);
    }
    if (AlarmedRead_ != now) {
        // Taken before the walk: a write during it is seen at the next question.
        AlarmedRead_.reset();
        ReadAlarmedEntries();
        AlarmedRead_ = now;
    }
    return AlarmedEntries_.count(entryId) != 0;
}

// One walk over the alarms file answers every row of every reload until the
// file is written again; one read per drawn row cost a read transaction each.
void TViewFeeder::ReadAlarmedEntries()
{
    AlarmedEntries_.clear();
    TXIsamFile& file = Db_.AlarmFile;
    TAlarmRec alarm;
    TKeyWalk walk = TKeyWalk::All(file, TOrbekoDB::AlarmIdKey);
    while (walk.Next(alarm))
        AlarmedEntries_.insert(FieldText(alarm.EntryId));
}

bool TViewFeeder::DataMoved()
{
    const std::optional<TFileVersion> entries = EntriesWatch_.Version();
    const std::optional<TFileVersion> alarms = AlarmsWatch_.Version();
    const bool moved = entries != EntriesSeen_ || alarms != AlarmsSeen_;
    EntriesSeen_ = entries;
    AlarmsSeen_ = alarms;
    return moved;
}

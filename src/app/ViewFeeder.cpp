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
      DetailsWatch_(db.FilePath(TDetailFile::FileName)),
      EntriesSeen_(EntriesWatch_.Version()),
      AlarmsSeen_(AlarmsWatch_.Version()),
      DetailsSeen_(DetailsWatch_.Version())
{
    Users.OnUpdate = [this](TOrbekoCache& cache) { cache.InsertAll(Db_.UserFile); };
    Categories.OnUpdate = [this](TOrbekoCache& cache) { cache.InsertAll(Db_.CategoryFile); };
}

void TViewFeeder::DayEntries(const std::string& datePkVal, TDayEntries& entries)
{
    TXIsamFile& file = Db_.DayEntryFile;
    const std::string end = IdText(IdValue(datePkVal) + 86400);
    const TDetailFile::TDay details = Db_.Details.ReadDay(datePkVal);
    // The repeat marks asked for while the day is drawn are answered from
    // the details file as this read found it.
    ForgetRepeated();
    AddCovering(details.Covering, datePkVal, entries);
    TDayEntryRec entry;
    // The walk ends where the day ends; a read that failed raises rather
    // than pass for a day with fewer events.
    TKeyWalk walk = TKeyWalk::From(file, TOrbekoDB::DayEntryStampKey, datePkVal, end, gcBelow);
    while (walk.Next(entry)) {
        if (!EntryVisible(entry, Rules_, Session_))
            continue;
        const auto head = details.Heads.find(walk.Id());
        std::optional<TEventDetails> own;
        if (head != details.Heads.end())
            own = TDetailFile::HeadDetails(head->second, entry);
        entries.AddEntry(entry, walk.Id(), own.value_or(TEventDetails{}));
    }
}

// Events that began on an earlier day and run into this one.
void TViewFeeder::AddCovering(const std::vector<std::pair<std::string, TDetailRec>>& covers,
                              const std::string& midnight, TDayEntries& entries)
{
    TDayEntryRec entry;
    for (const auto& [id, cover] : covers) {
        if (!FindRecord(Db_.DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, id) || !EntryVisible(entry, Rules_, Session_))
            continue;
        // A leftover of a deleted event, or one moved by a workstation that
        // keeps no details, has no end of its own to run on.
        const std::optional<TEventDetails> details = TDetailFile::HeadDetails(cover, entry);
        if (!details || IdValue(details->EndStamp) <= IdValue(midnight))
            continue;
        entries.AddEntry(entry, id, *details);
    }
}

std::optional<uint32_t> TViewFeeder::CategoryColour(const std::string& pk)
{
    const std::optional<TFileVersion> now = DetailsWatch_.Version();
    if (!ColoursKnown_ || now != ColoursRead_) {
        Colours_ = Db_.Details.CategoryColours();
        ColoursRead_ = now;
        ColoursKnown_ = true;
    }
    const auto found = Colours_.find(pk);
    return found == Colours_.end() ? std::nullopt : std::optional<uint32_t>(found->second);
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

bool TViewFeeder::Repeated(const std::string& entryId)
{
    if (!DetailsThere_)
        ForgetRepeated();
    if (!*DetailsThere_)
        return false;
    if (const auto known = RepeatedKnown_.find(entryId); known != RepeatedKnown_.end())
        return known->second;
    TDetailRec link;
    const bool repeated =
        FindRecord(Db_.Details.File(), link, TDetailFile::SubjectKey,
                   std::string(1, TDetailFile::EventSubject) + entryId + TDetailFile::LinkPiece + "000");
    RepeatedKnown_.emplace(entryId, repeated);
    return repeated;
}

void TViewFeeder::ForgetRepeated()
{
    const std::optional<TFileVersion> now = DetailsWatch_.Version();
    // Unwatched, nothing is kept beyond the day's read.
    if (!now || now != RepeatedRead_)
        RepeatedKnown_.clear();
    RepeatedRead_ = now;
    DetailsThere_ = Db_.Details.Exists();
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
    const std::optional<TFileVersion> details = DetailsWatch_.Version();
    const bool moved = entries != EntriesSeen_ || alarms != AlarmsSeen_ || details != DetailsSeen_;
    EntriesSeen_ = entries;
    AlarmsSeen_ = alarms;
    DetailsSeen_ = details;
    return moved;
}

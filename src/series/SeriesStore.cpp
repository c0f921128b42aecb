#include "series/SeriesStore.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/RecordLock.h"
#include "kfstore/WriteBatch.h"
#include "series/RecurrenceRule.h"
#include "series/SeriesExpansion.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr int64_t kLastStamp = 2145916799;  // 2037-12-31 23:59:59
constexpr char kSeries = TDetailFile::SeriesSubject;
constexpr char kEvent = TDetailFile::EventSubject;
constexpr char kLink = TDetailFile::LinkPiece;
constexpr char kHead = TDetailFile::SeriesHeadPiece;
constexpr char kTemplate = 'T';
constexpr int32_t kChangedFlag = 1;
// The reach of a series whose rule has no more starts to make.
const std::string kComplete = "9999999999";

std::string Subject(char kind, const std::string& id, char piece, int sequence = 0)
{
    char text[20];
    std::snprintf(text, sizeof text, "%c%s%c%03d", kind, id.c_str(), piece, sequence);
    return text;
}

TDetailRec Blank()
{
    TDetailRec record;
    std::memset(&record, 0, sizeof record);
    return record;
}

[[noreturn]] void Fail(TXIsamFile& file)
{
    throw std::runtime_error(file.StatusText());
}

void Commit(TWriteBatch& batch, TXIsamFile& file)
{
    if (batch.Active() && !batch.Commit())
        Fail(file);
}

// The template in pieces of a text field each: a JSON text, so fields can
// be added without another workstation's reading going wrong.
QByteArray TemplateText(const TSeries& series)
{
    QJsonObject object;
    object["flags"] = series.Template.Flags;
    object["category"] = QString::fromStdString(FieldText(series.Template.CategoryId));
    object["description"] = FieldString(series.Template.Description);
    QJsonArray assignees;
    for (const auto& slot : series.Template.AssigneeIds)
        if (IdValue(FieldText(slot)) != 0)
            assignees.append(QString::fromStdString(FieldText(slot)));
    object["assignees"] = assignees;
    object["place"] = series.Details.Place;
    object["notes"] = series.Details.Notes;
    object["duration"] = static_cast<qint64>(series.Duration);
    if (series.AlarmLead)
        object["alarm"] = static_cast<qint64>(*series.AlarmLead);
    if (!series.Uid.empty())
        object["uid"] = QString::fromStdString(series.Uid);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void ReadTemplate(const QByteArray& text, TSeries& series)
{
    const QJsonObject object = QJsonDocument::fromJson(text).object();
    series.Template.Flags = object["flags"].toInt();
    SetField(series.Template.CategoryId, object["category"].toString(QString::fromStdString(kNoneId)).toStdString());
    SetFieldString(series.Template.Description, object["description"].toString());
    const QJsonArray assignees = object["assignees"].toArray();
    for (int slot = 0; slot < kMaxAssignees; ++slot)
        SetField(series.Template.AssigneeIds[slot],
                 slot < assignees.size() ? assignees[slot].toString().toStdString() : kNoneId);
    series.Details.Place = object["place"].toString();
    series.Details.Notes = object["notes"].toString();
    series.Duration = object["duration"].toInteger();
    if (object.contains("alarm"))
        series.AlarmLead = object["alarm"].toInteger();
    series.Uid = object["uid"].toString().toStdString();
}

void Guard(TDetailRec& piece, const TDayEntryRec& entry)
{
    std::memcpy(piece.OwnerId, entry.OwnerId, sizeof piece.OwnerId);
    std::memcpy(piece.EntryStamp, entry.EntryStamp, sizeof piece.EntryStamp);
    std::memcpy(piece.PriorOwnerId, entry.OwnerId, sizeof piece.PriorOwnerId);
    std::memcpy(piece.PriorStamp, entry.EntryStamp, sizeof piece.PriorStamp);
}

std::vector<int64_t> Without(const std::vector<int64_t>& starts, const std::set<int64_t>& days)
{
    std::vector<int64_t> kept;
    for (int64_t start : starts)
        if (!days.count(TSeriesStore::DayOf(start)))
            kept.push_back(start);
    return kept;
}

// A new series' head, added under a new identifier that names the series
// and then given its subject.
std::string AddHead(TXIsamFile& file)
{
    TDetailRec head = Blank();
    SetField(head.Subject, std::string(1, kSeries));
    SetField(head.Reach, "Q" + kComplete);
    if (!file.Add(head, ""))
        Fail(file);
    const std::string id = file.LastKey();
    SetField(head.Subject, Subject(kSeries, id, kHead));
    if (!file.Rewrite(head, id))
        Fail(file);
    return id;
}

}  // namespace

struct TSeriesStore::THeld
{
    std::vector<TRecordLock> Locks;
    std::vector<std::string> Alarms;
};

int64_t TSeriesStore::Horizon() const
{
    return std::min(Now_ + kHorizon, kLastStamp);
}

std::optional<TSeries> TSeriesStore::Read(const std::string& id)
{
    if (!Db_.Details.Exists())
        return std::nullopt;
    TSeries series;
    series.Id = id;
    bool found = false;
    QByteArray text;
    TDetailRec piece;
    TKeyWalk walk = TKeyWalk::Prefix(Db_.Details.File(), TDetailFile::SubjectKey, std::string(1, kSeries) + id);
    while (walk.Next(piece)) {
        if (TDetailFile::PieceKind(piece) == kHead) {
            found = true;
            series.RRule = FieldText(piece.Text);
            std::memcpy(series.Template.OwnerId, piece.OwnerId, sizeof piece.OwnerId);
            std::memcpy(series.Template.EntryStamp, piece.EntryStamp, sizeof piece.EntryStamp);
            series.MadeUntil = IdValue(FieldText(piece.EndStamp));
        } else if (TDetailFile::PieceKind(piece) == kTemplate) {
            text += QByteArray::fromStdString(FieldText(piece.Text));
        }
    }
    if (!found)
        return std::nullopt;
    series.Template.Marker = 1;
    ReadTemplate(text, series);
    return series;
}

void TSeriesStore::WriteHead(const TSeries& series, bool more)
{
    std::vector<TDetailRec> pieces;
    TDetailRec head = Blank();
    SetField(head.Subject, Subject(kSeries, series.Id, kHead));
    SetField(head.Reach, "Q" + (more ? IdText(series.MadeUntil) : kComplete));
    std::memcpy(head.OwnerId, series.Template.OwnerId, sizeof head.OwnerId);
    std::memcpy(head.EntryStamp, series.Template.EntryStamp, sizeof head.EntryStamp);
    SetField(head.EndStamp, IdText(series.MadeUntil));
    if (series.RRule.size() >= sizeof head.Text)
        throw std::invalid_argument("The repeat rule is too long");
    SetField(head.Text, series.RRule);
    pieces.push_back(head);
    // Whole characters per piece: JSON escapes nothing that SetField would cut.
    std::string text = TemplateText(series).toStdString();
    for (int sequence = 0; !text.empty(); ++sequence) {
        TDetailRec piece = Blank();
        SetField(piece.Subject, Subject(kSeries, series.Id, kTemplate, sequence));
        SetField(piece.Text, text);
        text.erase(0, std::strlen(piece.Text));
        pieces.push_back(piece);
    }
    Db_.Details.ReplaceSubject(std::string(1, kSeries) + series.Id, pieces);
}

void TSeriesStore::Make(const TSeries& series, const std::vector<int64_t>& starts)
{
    std::vector<std::pair<std::string, TDayEntryRec>> made;
    {
        TXIsamFile& file = Db_.DayEntryFile;
        TWriteBatch batch(file);
        for (int64_t start : starts) {
            TDayEntryRec entry = series.Template;
            SetField(entry.EntryStamp, IdText(start));
            if (!file.Add(entry, ""))
                Fail(file);
            made.emplace_back(file.LastKey(), entry);
        }
        Commit(batch, file);
    }
    {
        TXIsamFile& file = Db_.Details.Writable();
        TWriteBatch batch(file);
        for (const auto& [id, entry] : made) {
            TDetailRec link = Blank();
            SetField(link.Subject, Subject(kEvent, id, kLink));
            SetField(link.Reach, "L" + series.Id);
            Guard(link, entry);
            SetField(link.EndStamp, FieldText(entry.EntryStamp));
            SetField(link.Text, series.Id);
            if (!file.Add(link, ""))
                Fail(file);
        }
        Commit(batch, file);
    }
    if (!series.Details.Empty() || series.Duration > 0) {
        for (const auto& [id, entry] : made) {
            TEventDetails details = series.Details;
            if (series.Duration > 0)
                details.EndStamp = IdText(IdValue(FieldText(entry.EntryStamp)) + series.Duration);
            Db_.Details.WriteEvent(id, entry, details, nullptr);
        }
    }
    if (!series.AlarmLead)
        return;
    TXIsamFile& file = Db_.AlarmFile;
    TWriteBatch batch(file);
    for (const auto& [id, entry] : made) {
        // An alarm already past would ring at once for every past occurrence.
        const int64_t due = IdValue(FieldText(entry.EntryStamp)) - *series.AlarmLead;
        if (due < Now_)
            continue;
        TAlarmRec alarm;
        std::memset(&alarm, 0, sizeof alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.AlarmStamp, IdText(due));
        Db_.AddAssigneeAlarms(entry, id, alarm);
    }
    Commit(batch, file);
}

std::string TSeriesStore::Create(TSeries series, TResult* result)
{
    const TSeriesExpansion::TStarts first =
        TSeriesExpansion::Between(series.RRule, series.Start(), series.Start(), kLastStamp, 1);
    if (first.Stamps.empty()) {
        if (result)
            *result = TResult::NoOccurrence;
        return {};
    }
    TXIsamFile& file = Db_.Details.Writable();
    series.Id = AddHead(file);
    const TRecordLock lock(file, series.Id);
    series.MadeUntil = series.Start() - 1;
    WriteHead(series, true);
    const TSeriesExpansion::TStarts starts =
        TSeriesExpansion::Between(series.RRule, series.Start(), series.Start(), Horizon());
    Make(series, starts.Stamps);
    series.MadeUntil = starts.Stamps.size() == TSeriesExpansion::kMaxStarts ? starts.Stamps.back() : Horizon();
    WriteHead(series, starts.More);
    if (result)
        *result = TResult::Done;
    return series.Id;
}

std::vector<TOccurrence> TSeriesStore::Occurrences(const std::string& id)
{
    std::vector<TOccurrence> occurrences;
    if (!Db_.Details.Exists())
        return occurrences;
    std::vector<TDetailRec> links;
    TDetailRec piece;
    TKeyWalk walk = TKeyWalk::Prefix(Db_.Details.File(), TDetailFile::ReachKey, "L" + id);
    while (walk.Next(piece))
        if (TDetailFile::SubjectKind(piece) == kEvent && TDetailFile::PieceKind(piece) == kLink)
            links.push_back(piece);
    for (const TDetailRec& link : links) {
        TOccurrence occurrence;
        occurrence.SeriesId = id;
        occurrence.EventId = TDetailFile::SubjectId(link);
        if (!FindRecord(Db_.DayEntryFile, occurrence.Entry, TOrbekoDB::DayEntryIdKey, occurrence.EventId)
            || !TDetailFile::Belongs(link, occurrence.Entry))
            continue;  // deleted, or a leftover of an event deleted elsewhere
        occurrence.Original = IdValue(FieldText(link.EndStamp));
        occurrence.Changed = (link.Flags & kChangedFlag) != 0;
        occurrences.push_back(occurrence);
    }
    std::sort(occurrences.begin(), occurrences.end(),
              [](const TOccurrence& a, const TOccurrence& b) { return a.Original < b.Original; });
    return occurrences;
}

std::optional<TOccurrence> TSeriesStore::LinkOf(const std::string& eventId, const TDayEntryRec& entry)
{
    if (!Db_.Details.Exists())
        return std::nullopt;
    TDetailRec link;
    if (!FindRecord(Db_.Details.File(), link, TDetailFile::SubjectKey, Subject(kEvent, eventId, kLink))
        || !TDetailFile::Belongs(link, entry))
        return std::nullopt;
    TOccurrence occurrence;
    occurrence.SeriesId = FieldText(link.Text);
    occurrence.EventId = eventId;
    occurrence.Original = IdValue(FieldText(link.EndStamp));
    occurrence.Changed = (link.Flags & kChangedFlag) != 0;
    occurrence.Entry = entry;
    return occurrence;
}

void TSeriesStore::MarkChanged(const std::string& eventId, const TDayEntryRec& entry)
{
    if (!Db_.Details.Exists())
        return;
    TXIsamFile& file = Db_.Details.File();
    TDetailRec link;
    if (!FindRecord(file, link, TDetailFile::SubjectKey, Subject(kEvent, eventId, kLink))
        || !TDetailFile::Belongs(link, entry))
        return;
    const std::string key = file.LastKey();
    link.Flags |= kChangedFlag;
    Guard(link, entry);
    if (!file.Rewrite(link, key))
        Fail(file);
}

void TSeriesStore::Relink(const TOccurrence& occurrence, const std::string& seriesId)
{
    TXIsamFile& file = Db_.Details.File();
    TDetailRec link;
    if (!FindRecord(file, link, TDetailFile::SubjectKey, Subject(kEvent, occurrence.EventId, kLink)))
        return;
    const std::string key = file.LastKey();
    SetField(link.Reach, "L" + seriesId);
    SetField(link.Text, seriesId);
    if (!file.Rewrite(link, key))
        Fail(file);
}

TSeriesStore::TResult TSeriesStore::Extend(const std::string& id)
{
    TXIsamFile& file = Db_.Details.Writable();
    const TRecordLock lock(file, id);
    if (!lock.Held())
        return TResult::Locked;
    // Read again under the lock: another workstation may have just extended it.
    std::optional<TSeries> series = Read(id);
    if (!series)
        return TResult::Missing;
    if (series->MadeUntil >= Horizon())
        return TResult::Done;
    TSeriesExpansion::TStarts starts =
        TSeriesExpansion::Between(series->RRule, series->Start(), series->MadeUntil + 1, Horizon());
    // Starts made by an extension cut short before it wrote the head.
    std::set<int64_t> made;
    for (const TOccurrence& occurrence : Occurrences(id))
        made.insert(occurrence.Original);
    std::vector<int64_t> wanted;
    for (int64_t start : starts.Stamps)
        if (!made.count(start))
            wanted.push_back(start);
    Make(*series, wanted);
    series->MadeUntil = starts.Stamps.size() == TSeriesExpansion::kMaxStarts ? starts.Stamps.back() : Horizon();
    WriteHead(*series, starts.More);
    return TResult::Done;
}

int TSeriesStore::ExtendDue()
{
    if (!Db_.Details.Exists())
        return 0;
    std::vector<std::string> due;
    TDetailRec piece;
    TKeyWalk walk = TKeyWalk::From(Db_.Details.File(), TDetailFile::ReachKey, "Q", "Q" + IdText(Horizon() - kMargin),
                                   gcBelow);
    while (walk.Next(piece))
        if (TDetailFile::SubjectKind(piece) == kSeries && TDetailFile::PieceKind(piece) == kHead)
            due.push_back(TDetailFile::SubjectId(piece));
    int extended = 0;
    for (const std::string& id : due)
        if (Extend(id) == TResult::Done)
            ++extended;
    return extended;
}

bool TSeriesStore::LockAll(const std::vector<TOccurrence>& occurrences, THeld& held)
{
    for (const TOccurrence& occurrence : occurrences) {
        held.Locks.emplace_back(Db_.DayEntryFile, occurrence.EventId);
        if (!held.Locks.back().Held())
            return false;
        TAlarmRec alarm;
        std::vector<std::string> alarms;
        TKeyWalk walk = TKeyWalk::Prefix(Db_.AlarmFile, TOrbekoDB::AlarmEntryKey, occurrence.EventId);
        while (walk.Next(alarm))
            alarms.push_back(walk.Id());
        for (const std::string& alarmId : alarms) {
            held.Locks.emplace_back(Db_.AlarmFile, alarmId);
            if (!held.Locks.back().Held())
                return false;
            held.Alarms.push_back(alarmId);
        }
    }
    return true;
}

void TSeriesStore::Remove(const std::vector<TOccurrence>& occurrences, const THeld& held)
{
    // Alarms first, then entries, then their pieces, as one event's delete goes.
    {
        TXIsamFile& file = Db_.AlarmFile;
        TWriteBatch batch(file);
        for (const std::string& id : held.Alarms)
            if (!file.Delete(id) && file.Status() != ksNotFound)
                Fail(file);
        Commit(batch, file);
    }
    {
        TXIsamFile& file = Db_.DayEntryFile;
        TWriteBatch batch(file);
        for (const TOccurrence& occurrence : occurrences)
            if (!file.Delete(occurrence.EventId) && file.Status() != ksNotFound)
                Fail(file);
        Commit(batch, file);
    }
    TXIsamFile& file = Db_.Details.Writable();
    std::vector<std::string> pieces;
    TDetailRec piece;
    for (const TOccurrence& occurrence : occurrences) {
        TKeyWalk walk = TKeyWalk::Prefix(file, TDetailFile::SubjectKey, std::string(1, kEvent) + occurrence.EventId);
        while (walk.Next(piece))
            pieces.push_back(walk.Id());
    }
    TWriteBatch batch(file);
    for (const std::string& key : pieces)
        if (!file.Delete(key) && file.Status() != ksNotFound)
            Fail(file);
    Commit(batch, file);
}

void TSeriesStore::RemoveSeriesPieces(const std::string& id)
{
    Db_.Details.ReplaceSubject(std::string(1, kSeries) + id, {});
}

std::vector<int64_t> TSeriesStore::DeletedDays(const TSeries& series, const std::vector<TOccurrence>& occurrences)
{
    std::set<int64_t> present;
    for (const TOccurrence& occurrence : occurrences)
        present.insert(DayOf(occurrence.Original));
    std::vector<int64_t> deleted;
    const TSeriesExpansion::TStarts starts =
        TSeriesExpansion::Between(series.RRule, series.Start(), series.Start(), series.MadeUntil);
    for (int64_t start : starts.Stamps)
        if (!present.count(DayOf(start)))
            deleted.push_back(DayOf(start));
    return deleted;
}

TSeriesStore::TResult TSeriesStore::Remake(TSeries series, const std::set<int64_t>& skipDays,
                                           const std::vector<TOccurrence>& removed, const THeld& held)
{
    Remove(removed, held);
    const TSeriesExpansion::TStarts starts =
        TSeriesExpansion::Between(series.RRule, series.Start(), series.Start(), Horizon());
    Make(series, Without(starts.Stamps, skipDays));
    series.MadeUntil = starts.Stamps.size() == TSeriesExpansion::kMaxStarts ? starts.Stamps.back() : Horizon();
    WriteHead(series, starts.More);
    return TResult::Done;
}

TSeriesStore::TResult TSeriesStore::ChangeAll(const TSeries& changed, bool keepExceptions)
{
    if (TSeriesExpansion::Between(changed.RRule, changed.Start(), changed.Start(), kLastStamp, 1).Stamps.empty())
        return TResult::NoOccurrence;
    TXIsamFile& file = Db_.Details.Writable();
    const TRecordLock lock(file, changed.Id);
    if (!lock.Held())
        return TResult::Locked;
    const std::optional<TSeries> old = Read(changed.Id);
    if (!old)
        return TResult::Missing;
    const std::vector<TOccurrence> occurrences = Occurrences(changed.Id);
    std::set<int64_t> skipDays;
    std::vector<TOccurrence> removed;
    if (keepExceptions) {
        for (int64_t day : DeletedDays(*old, occurrences))
            skipDays.insert(day);
        for (const TOccurrence& occurrence : occurrences) {
            if (occurrence.Changed)
                skipDays.insert(DayOf(occurrence.Original));
            else
                removed.push_back(occurrence);
        }
    } else {
        removed = occurrences;
    }
    THeld held;
    if (!LockAll(removed, held))
        return TResult::Locked;
    return Remake(changed, skipDays, removed, held);
}

TSeriesStore::TResult TSeriesStore::ChangeFollowing(const std::string& id, int64_t from, TSeries changed,
                                                    std::string* newId)
{
    if (TSeriesExpansion::Between(changed.RRule, changed.Start(), changed.Start(), kLastStamp, 1).Stamps.empty())
        return TResult::NoOccurrence;
    TXIsamFile& file = Db_.Details.Writable();
    std::optional<TRecordLock> lock(std::in_place, file, id);
    if (!lock->Held())
        return TResult::Locked;
    std::optional<TSeries> old = Read(id);
    if (!old)
        return TResult::Missing;
    if (from <= old->Start()) {
        lock.reset();
        changed.Id = id;
        if (newId)
            *newId = id;
        return ChangeAll(changed, true);
    }
    const std::vector<TOccurrence> occurrences = Occurrences(id);
    std::set<int64_t> skipDays;
    for (int64_t day : DeletedDays(*old, occurrences))
        if (day >= DayOf(from))
            skipDays.insert(day);
    std::vector<TOccurrence> removed;
    std::vector<TOccurrence> kept;
    THeld held;
    for (const TOccurrence& occurrence : occurrences) {
        if (occurrence.Original < from)
            continue;
        if (occurrence.Changed) {
            skipDays.insert(DayOf(occurrence.Original));
            kept.push_back(occurrence);
            held.Locks.emplace_back(Db_.DayEntryFile, occurrence.EventId);
            if (!held.Locks.back().Held())
                return TResult::Locked;
        } else {
            removed.push_back(occurrence);
        }
    }
    if (!LockAll(removed, held))
        return TResult::Locked;
    // The new series under its own identifier, locked until it is whole.
    changed.Id = AddHead(file);
    const TRecordLock newLock(file, changed.Id);
    Remake(changed, skipDays, removed, held);
    for (const TOccurrence& occurrence : kept)
        Relink(occurrence, changed.Id);
    old->RRule = TRecurrenceRule::EndingBefore(old->RRule, from);
    WriteHead(*old, false);
    if (newId)
        *newId = changed.Id;
    return TResult::Done;
}

TSeriesStore::TResult TSeriesStore::DeleteAll(const std::string& id)
{
    TXIsamFile& file = Db_.Details.Writable();
    const TRecordLock lock(file, id);
    if (!lock.Held())
        return TResult::Locked;
    if (!Read(id))
        return TResult::Missing;
    const std::vector<TOccurrence> occurrences = Occurrences(id);
    THeld held;
    if (!LockAll(occurrences, held))
        return TResult::Locked;
    Remove(occurrences, held);
    RemoveSeriesPieces(id);
    return TResult::Done;
}

TSeriesStore::TResult TSeriesStore::DeleteFollowing(const std::string& id, int64_t from)
{
    TXIsamFile& file = Db_.Details.Writable();
    std::optional<TRecordLock> lock(std::in_place, file, id);
    if (!lock->Held())
        return TResult::Locked;
    std::optional<TSeries> series = Read(id);
    if (!series)
        return TResult::Missing;
    if (from <= series->Start()) {
        lock.reset();
        return DeleteAll(id);
    }
    std::vector<TOccurrence> following;
    for (const TOccurrence& occurrence : Occurrences(id))
        if (occurrence.Original >= from)
            following.push_back(occurrence);
    THeld held;
    if (!LockAll(following, held))
        return TResult::Locked;
    Remove(following, held);
    series->RRule = TRecurrenceRule::EndingBefore(series->RRule, from);
    WriteHead(*series, false);
    return TResult::Done;
}

bool TSeriesStore::HasExceptions(const std::string& id)
{
    const std::optional<TSeries> series = Read(id);
    if (!series)
        return false;
    const std::vector<TOccurrence> occurrences = Occurrences(id);
    return !DeletedDays(*series, occurrences).empty()
        || std::any_of(occurrences.begin(), occurrences.end(), [](const TOccurrence& o) { return o.Changed; });
}

std::vector<int64_t> TSeriesStore::DeletedStarts(const std::string& id)
{
    std::vector<int64_t> deleted;
    const std::optional<TSeries> series = Read(id);
    if (!series)
        return deleted;
    std::set<int64_t> present;
    for (const TOccurrence& occurrence : Occurrences(id))
        present.insert(DayOf(occurrence.Original));
    for (int64_t start :
         TSeriesExpansion::Between(series->RRule, series->Start(), series->Start(), series->MadeUntil).Stamps)
        if (!present.count(DayOf(start)))
            deleted.push_back(start);
    return deleted;
}

std::vector<std::string> TSeriesStore::Ids()
{
    std::vector<std::string> ids;
    if (!Db_.Details.Exists())
        return ids;
    TDetailRec piece;
    TKeyWalk walk = TKeyWalk::Prefix(Db_.Details.File(), TDetailFile::SubjectKey, std::string(1, kSeries));
    while (walk.Next(piece))
        if (TDetailFile::PieceKind(piece) == kHead)
            ids.push_back(TDetailFile::SubjectId(piece));
    return ids;
}

TSeriesStore::TResult TSeriesStore::RewriteTemplate(const TSeries& series)
{
    TXIsamFile& file = Db_.Details.Writable();
    const TRecordLock lock(file, series.Id);
    if (!lock.Held())
        return TResult::Locked;
    const std::optional<TSeries> stored = Read(series.Id);
    if (!stored)
        return TResult::Missing;
    TSeries kept = series;
    kept.MadeUntil = stored->MadeUntil;
    // Still due to be made further while the rule has starts after the mark.
    WriteHead(kept,
              !TSeriesExpansion::Between(kept.RRule, kept.Start(), kept.MadeUntil + 1, kLastStamp, 1).Stamps.empty());
    return TResult::Done;
}

TSeriesStore::TResult TSeriesStore::Dissolve(const std::string& id)
{
    TXIsamFile& file = Db_.Details.Writable();
    const TRecordLock lock(file, id);
    if (!lock.Held())
        return TResult::Locked;
    std::vector<std::string> links;
    TDetailRec piece;
    TKeyWalk walk = TKeyWalk::Prefix(file, TDetailFile::ReachKey, "L" + id);
    while (walk.Next(piece))
        if (TDetailFile::PieceKind(piece) == kLink)
            links.push_back(walk.Id());
    {
        TWriteBatch batch(file);
        for (const std::string& key : links)
            if (!file.Delete(key) && file.Status() != ksNotFound)
                Fail(file);
        Commit(batch, file);
    }
    RemoveSeriesPieces(id);
    return TResult::Done;
}

std::map<std::string, std::string> TSeriesStore::ByUid()
{
    std::map<std::string, std::string> byUid;
    for (const std::string& id : Ids())
        if (const std::optional<TSeries> series = Read(id); series && !series->Uid.empty())
            byUid.emplace(series->Uid, id);
    return byUid;
}

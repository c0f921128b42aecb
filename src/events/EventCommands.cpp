#include "events/EventCommands.h"

#include "events/EventAlarms.h"
#include "events/LockedEvent.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "prefs/Session.h"
#include "series/SeriesStore.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "kfstore/RecordLock.h"
#include "storage/Stamp.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

// Keys tried before a busy file gives up an add.
constexpr int kKeyAttempts = 100;

int64_t NowStamp()
{
    return TStamp().Seconds();
}

// The rule of a series that the user stopped repeating: its one occurrence.
constexpr const char* kOnce = "FREQ=DAILY;COUNT=1";

// A series as the editor gives it: the entry is its first occurrence, the
// end and the alarm are kept as distances from the start.
TSeries SeriesOf(const TDayEntryRec& entry, const TAlarmRec& alarm, const TEventDetails& details,
                 const std::string& rrule)
{
    TSeries series;
    series.RRule = rrule;
    series.Template = entry;
    series.Details.Place = details.Place;
    series.Details.Notes = details.Notes;
    const int64_t start = IdValue(FieldText(entry.EntryStamp));
    if (!details.EndStamp.empty())
        series.Duration = IdValue(details.EndStamp) - start;
    // An alarm set after the start (the event moved since) rings at it.
    if (alarm.Flags & afAlarmed)
        series.AlarmLead = std::max<int64_t>(0, start - IdValue(FieldText(alarm.AlarmStamp)));
    return series;
}

// Asks which occurrences a command on one of them is for.
TMessageAnswer AskOccurrences(const char* text, const std::string& description)
{
    return TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::OccurrenceChoice,
                             QString::fromLatin1(text).arg(DecodeText(description)));
}

}  // namespace

void TEventCommands::OfferAssignees(TfrmEvent& editor, const TEventUser& user)
{
    editor.SetUsersEnabled(user.Session.HasRight(urAddForOthers));
}

void TEventCommands::TellWhenHidden(const TEventUser& user, const TDayEntryRec& entry)
{
    if (!EntryVisible(entry, user.ViewRules, user.Session))
        TMessageBox::Inform(kEntryHiddenText);
}

bool TEventCommands::Refused(const TEventUser& user)
{
    if (user.Session.StillThere(Db_.UserFile))
        return false;
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                      QString::fromStdString(user.Session.RemovedText()) + QStringLiteral("\r\rNothing was changed."));
    return true;
}

bool TEventCommands::Saved(const std::function<void()>& save) const
{
    try {
        const TWaitCursor wait;
        save();
        return true;
    } catch (const std::exception& error) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok,
                          QString::fromStdString(Db_.Diagnosed(std::string("Unable to save event\r\r") + error.what())) +
                              QStringLiteral("\r\rThe event opens again with everything you typed."));
        return false;
    }
}

bool TEventCommands::RunNew(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                            const TEventSelection& selection)
{
    TDayEntryRec entry;
    Db_.InitDayEntry(entry);
    SetField(entry.EntryStamp, selection.ViewStamp);
    SetField(entry.OwnerId, user.Session.UserId());
    OfferAssignees(editor, user);
    if (!user.Session.HasRight(urAddForOthers))
        SetField(entry.AssigneeIds[0], user.Session.UserId());
    TAlarmRec alarm;
    Db_.InitAlarm(alarm);
    SetField(alarm.AlarmStamp, FieldText(entry.EntryStamp));
    TEventDetails details;
    editor.Repeat.clear();
    editor.SetRepeatEditable(true);
    // A save that fails opens the editor again on what was typed, until it
    // is saved or the user cancels: nothing typed is lost to a failure.
    for (;;) {
        if (editor.Execute(false, entry, alarm, details, Db_, user.Session.UserId(), settings) != QDialog::Accepted)
            return false;
        // The editor may have been open for long: his record may be gone.
        if (Refused(user))
            return false;
        if (editor.Repeat.empty()) {
            if (Saved([&] { AddEvent(entry, alarm, details); }))
                break;
            continue;
        }
        bool made = false;
        if (!Saved([&] { made = AddSeries(entry, alarm, details, editor.Repeat); }))
            continue;
        if (made)
            break;
        TMessageBox::Inform(kNoOccurrenceText);
    }
    TellWhenHidden(user, entry);
    return true;
}

bool TEventCommands::RunProperties(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                                   const TEventSelection& selection)
{
    const std::optional<TOccurrence> occurrence = OccurrenceOf(selection.EntryId);
    if (occurrence) {
        switch (AskOccurrences(kOpenOccurrenceText, FieldText(occurrence->Entry.Description))) {
        case TMessageAnswer::ThisOccurrence:
            break;
        case TMessageAnswer::Following:
            return RunSeries(editor, settings, user, *occurrence, true);
        case TMessageAnswer::AllOccurrences:
            return RunSeries(editor, settings, user, *occurrence, false);
        default:
            return false;
        }
    }
    return RunProperties(editor, settings, user, selection, occurrence);
}

bool TEventCommands::RunProperties(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                                   const TEventSelection& selection, const std::optional<TOccurrence>& occurrence)
{
    // One occurrence is changed on its own; its rule shows but is the series'.
    editor.Repeat.clear();
    if (occurrence)
        if (const std::optional<TSeries> series = TSeriesStore(Db_, NowStamp()).Read(occurrence->SeriesId))
            editor.Repeat = series->RRule;
    editor.SetRepeatEditable(false);
    TDayEntryRec shown;
    {
        TLockedEvent event(Db_, selection.EntryId, selection.ViewStamp);
        if (!event.Locked()) {
            TMessageBox::Inform(kEditLockedText);
            return false;
        }
        if (!event.Found()) {
            TMessageBox::Inform(kEventGoneText);
            return true;
        }
        shown = event.Entry;
        OfferAssignees(editor, user);
        TEventResult result = TEventResult::Done;
        bool accepted;
        do {
            accepted = editor.Execute(true, event.Entry, event.Alarm, event.Details, Db_, user.Session.UserId(),
                                      settings) == QDialog::Accepted;
            if (accepted && Refused(user))
                return false;
        } while (accepted && !Saved([&] {
            result = event.Store();
            if (result == TEventResult::Done && occurrence)
                TSeriesStore(Db_, NowStamp()).MarkChanged(event.EntryId(), event.Entry);
        }));
        if (accepted) {
            if (result == TEventResult::AlarmLocked) {
                TMessageBox::Inform(kAlarmLockedText);
                return false;
            }
            shown = event.Entry;
        }
    }
    TellWhenHidden(user, shown);
    return true;
}

bool TEventCommands::RunDelete(const TEventUser& user, const TEventSelection& selection)
{
    const std::optional<TOccurrence> occurrence = OccurrenceOf(selection.EntryId);
    TMessageAnswer answer;
    if (occurrence)
        answer = AskOccurrences(kDeleteOccurrenceText, selection.Description);
    else
        answer = TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo,
                                   QStringLiteral("Delete event \"") + DecodeText(selection.Description) +
                                       QStringLiteral("\". Are you sure?"));
    if (answer != TMessageAnswer::Yes && answer != TMessageAnswer::ThisOccurrence &&
        answer != TMessageAnswer::Following && answer != TMessageAnswer::AllOccurrences)
        return false;
    if (Refused(user))
        return false;
    if (answer == TMessageAnswer::Following || answer == TMessageAnswer::AllOccurrences) {
        TSeriesStore::TResult done;
        {
            const TWaitCursor wait;
            TSeriesStore store(Db_, NowStamp());
            done = answer == TMessageAnswer::AllOccurrences ? store.DeleteAll(occurrence->SeriesId)
                                                            : store.DeleteFollowing(occurrence->SeriesId,
                                                                                    occurrence->Original);
        }
        if (done == TSeriesStore::TResult::Locked) {
            TMessageBox::Inform(kSeriesLockedText);
            return false;
        }
        return true;
    }
    TEventResult result;
    {
        const TWaitCursor wait;
        result = DeleteEvent(selection.EntryId);
    }
    switch (result) {
    case TEventResult::Done:
        return true;
    case TEventResult::Missing:
        TMessageBox::Inform(kEventGoneText);
        return true;
    case TEventResult::EntryLocked:
        TMessageBox::Inform(kDeleteLockedText);
        return false;
    case TEventResult::AlarmLocked:
        TMessageBox::Inform(kAlarmLockedText);
        return false;
    }
    return false;
}

std::optional<TOccurrence> TEventCommands::OccurrenceOf(const std::string& entryId)
{
    TDayEntryRec entry;
    if (IdValue(entryId) == 0 || !FindRecord(Db_.DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, entryId))
        return std::nullopt;
    return TSeriesStore(Db_, NowStamp()).LinkOf(entryId, entry);
}

bool TEventCommands::AddSeries(const TDayEntryRec& entry, const TAlarmRec& alarm, const TEventDetails& details,
                               const std::string& rrule)
{
    TSeriesStore::TResult result;
    TSeriesStore(Db_, NowStamp()).Create(SeriesOf(entry, alarm, details, rrule), &result);
    return result == TSeriesStore::TResult::Done;
}

bool TEventCommands::RunSeries(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                               const TOccurrence& occurrence, bool following)
{
    TSeriesStore store(Db_, NowStamp());
    const std::optional<TSeries> series = store.Read(occurrence.SeriesId);
    if (!series) {
        TMessageBox::Inform(kEventGoneText);
        return true;
    }
    // The series as it would be at this occurrence.
    const int64_t original = occurrence.Original;
    TDayEntryRec entry = series->Template;
    SetField(entry.EntryStamp, IdText(original));
    TEventDetails details = series->Details;
    if (series->Duration > 0)
        details.EndStamp = IdText(original + series->Duration);
    TAlarmRec alarm;
    Db_.InitAlarm(alarm);
    alarm.Flags = series->AlarmLead ? afAlarmed : 0;
    SetField(alarm.AlarmStamp, IdText(original - series->AlarmLead.value_or(0)));
    editor.Repeat = series->RRule;
    editor.SetRepeatEditable(true);
    OfferAssignees(editor, user);
    for (;;) {
        if (editor.Execute(true, entry, alarm, details, Db_, user.Session.UserId(), settings) != QDialog::Accepted)
            return false;
        if (Refused(user))
            return false;
        TSeries changed = SeriesOf(entry, alarm, details, editor.Repeat.empty() ? kOnce : editor.Repeat);
        changed.Id = series->Id;
        changed.Uid = series->Uid;
        // A move of this occurrence moves every one changed with it.
        const int64_t moved = IdValue(FieldText(entry.EntryStamp)) - original;
        bool keep = true;
        if (!following) {
            SetField(changed.Template.EntryStamp, IdText(series->Start() + moved));
            if (store.HasExceptions(series->Id))
                keep = TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo,
                                         QString::fromLatin1(kKeepExceptionsText)) == TMessageAnswer::Yes;
        }
        TSeriesStore::TResult result = TSeriesStore::TResult::Done;
        if (!Saved([&] {
                result = following ? store.ChangeFollowing(series->Id, original, changed)
                                   : store.ChangeAll(changed, keep);
            }))
            continue;
        switch (result) {
        case TSeriesStore::TResult::Done:
            TellWhenHidden(user, entry);
            return true;
        case TSeriesStore::TResult::NoOccurrence:
            TMessageBox::Inform(kNoOccurrenceText);
            continue;
        case TSeriesStore::TResult::Locked:
            TMessageBox::Inform(kSeriesLockedText);
            return false;
        case TSeriesStore::TResult::Missing:
            TMessageBox::Inform(kEventGoneText);
            return true;
        }
    }
}

std::string TEventCommands::AddEvent(const TDayEntryRec& entry, const TAlarmRec& alarm, const TEventDetails& details)
{
    // The new entry is added under a key locked beforehand and stays locked
    // until its alarms are written: otherwise another workstation could edit
    // or delete it in between and leave alarms for users it no longer has.
    TXIsamFile& file = Db_.DayEntryFile;
    std::optional<TRecordLock> lock;
    int64_t candidate = 0;
    for (int attempt = 0; attempt < kKeyAttempts; ++attempt) {
        const std::string next = file.NextKey();
        if (next.empty())
            throw std::runtime_error(file.StatusText());
        candidate = std::max(candidate + 1, IdValue(next));
        const std::string key = IdText(candidate);
        lock.emplace(file, key);
        if (!lock->Held())
            continue;  // another workstation is adding under this key
        if (file.Add(entry, key))
            break;
        // The key taken meanwhile by an add that locks nothing (the store
        // allocating for an empty key): try the next one. A key still free
        // means the add failed for its own reason (a read-only folder),
        // which is the one told.
        const int16_t added = file.Status();
        TDayEntryRec taken;
        if (!FindRecord(file, taken, TOrbekoDB::DayEntryIdKey, key))
            throw std::runtime_error(TXIsamFile::StatusText(added));
        lock.reset();
    }
    if (!lock || !lock->Held())
        throw std::runtime_error(TXIsamFile::StatusText(ksLocked));
    const std::string entryId = lock->Key();
    try {
        // Also clears what a deleted event of the same identifier left.
        Db_.Details.WriteEvent(entryId, entry, details, nullptr);
        if (alarm.Flags & afAlarmed)
            WriteAlarms(entry, entryId, alarm);
    } catch (...) {
        // The event goes again with what alarms and details it got, so
        // that saving it once more does not leave a second copy; the first
        // failure is the one to report.
        try {
            DeleteAlarms(entryId);
            file.Delete(entryId);
            Db_.Details.RemoveEvent(entryId);
        } catch (...) {
        }
        throw;
    }
    return entryId;
}

TEventResult TEventCommands::DeleteEvent(const std::string& entryId)
{
    // The entry is locked before its alarms go, so that an event that
    // cannot be deleted keeps its alarms.
    TXIsamFile& file = Db_.DayEntryFile;
    const TRecordLock lock(file, entryId);
    if (!lock.Held())
        return TEventResult::EntryLocked;
    if (!DeleteAlarms(entryId))
        return TEventResult::AlarmLocked;
    if (!file.Delete(entryId)) {
        if (file.Status() == ksNotFound)
            return TEventResult::Missing;
        throw std::runtime_error(file.StatusText());
    }
    Db_.Details.RemoveEvent(entryId);
    return TEventResult::Done;
}

void TEventCommands::WriteAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm)
{
    Db_.AddAssigneeAlarms(entry, entryId, alarm);
}

bool TEventCommands::DeleteAlarms(const std::string& entryId)
{
    TEventAlarms alarms(Db_.AlarmFile, entryId);
    if (!alarms.Locked())
        return false;
    alarms.DeleteAll();
    return true;
}

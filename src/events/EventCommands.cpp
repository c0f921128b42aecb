#include "events/EventCommands.h"

#include "events/EventAlarms.h"
#include "events/LockedEvent.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "storage/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/RecordLock.h"
#include "storage/Stamp.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

// Keys tried before a busy file gives up an add.
constexpr int kKeyAttempts = 100;

void Inform(const char* text)
{
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(text));
}

}  // namespace

void TEventCommands::OfferAssignees(TfrmEvent& editor, const TEventUser& user)
{
    editor.SetUsersEnabled((user.Record.Flags & urAddForOthers) != 0);
}

void TEventCommands::TellWhenHidden(const TEventUser& user, const TDayEntryRec& entry)
{
    if (!EntryVisible(entry, user.ViewRules, user.Id, user.Record.Flags))
        Inform(kEntryHiddenText);
}

bool TEventCommands::RunNew(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                            const TEventSelection& selection)
{
    TDayEntryRec entry;
    Db_.InitDayEntry(entry);
    SetField(entry.EntryStamp, selection.ViewStamp);
    SetField(entry.OwnerId, user.Id);
    OfferAssignees(editor, user);
    if (!(user.Record.Flags & urAddForOthers))
        SetField(entry.AssigneeIds[0], user.Id);
    TAlarmRec alarm;
    Db_.InitAlarm(alarm);
    SetField(alarm.AlarmStamp, FieldText(entry.EntryStamp));
    if (editor.Execute(false, entry, alarm, Db_, user.Id, settings) != QDialog::Accepted)
        return false;
    {
        const TWaitCursor wait;
        AddEvent(entry, alarm);
    }
    TellWhenHidden(user, entry);
    return true;
}

bool TEventCommands::RunProperties(TfrmEvent& editor, TOrbekoCfg& settings, const TEventUser& user,
                                   const TEventSelection& selection)
{
    TDayEntryRec shown;
    {
        TLockedEvent event(Db_, selection.EntryId, selection.ViewStamp);
        if (!event.Locked()) {
            Inform(kEditLockedText);
            return false;
        }
        if (!event.Found()) {
            Inform(kEventGoneText);
            return true;
        }
        shown = event.Entry;
        OfferAssignees(editor, user);
        if (editor.Execute(true, event.Entry, event.Alarm, Db_, user.Id, settings) == QDialog::Accepted) {
            TEventResult result;
            {
                const TWaitCursor wait;
                result = event.Store();
            }
            if (result == TEventResult::AlarmLocked) {
                Inform(kAlarmLockedText);
                return false;
            }
            shown = event.Entry;
        }
    }
    TellWhenHidden(user, shown);
    return true;
}

bool TEventCommands::RunDelete(const TEventSelection& selection)
{
    if (TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo,
                          QStringLiteral("Delete event \"") + DecodeText(selection.Description) +
                              QStringLiteral("\". Are you sure?")) != TMessageAnswer::Yes)
        return false;
    TEventResult result;
    {
        const TWaitCursor wait;
        result = DeleteEvent(selection.EntryId);
    }
    switch (result) {
    case TEventResult::Done:
        return true;
    case TEventResult::Missing:
        Inform(kEventGoneText);
        return true;
    case TEventResult::EntryLocked:
        Inform(kDeleteLockedText);
        return false;
    case TEventResult::AlarmLocked:
        Inform(kAlarmLockedText);
        return false;
    }
    return false;
}

std::string TEventCommands::AddEvent(const TDayEntryRec& entry, const TAlarmRec& alarm)
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
        if (file.Status() != ksNameInUse)
            throw std::runtime_error(file.StatusText());
        lock.reset();
    }
    if (!lock || !lock->Held())
        throw std::runtime_error(TXIsamFile::StatusText(ksLocked));
    const std::string entryId = lock->Key();
    if (alarm.Flags & afAlarmed)
        WriteAlarms(entry, entryId, alarm);
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
    return TEventResult::Done;
}

void TEventCommands::WriteAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm)
{
    TXIsamFile& file = Db_.AlarmFile;
    SetField(alarm.EntryId, entryId);
    for (const auto& slot : entry.AssigneeIds) {
        // A free slot holds "0000000000"; one left blank is free as well.
        const std::string userId = FieldText(slot);
        if (IdValue(userId) == 0)
            continue;
        SetAlarmUser(alarm, userId);
        if (!file.Add(alarm, ""))
            throw std::runtime_error(file.StatusText());
    }
}

bool TEventCommands::DeleteAlarms(const std::string& entryId)
{
    TEventAlarms alarms(Db_.AlarmFile, entryId);
    if (!alarms.Locked())
        return false;
    alarms.DeleteAll();
    return true;
}

#include "support/DiaryRecords.h"

#include "storage/Stamp.h"

#include <gtest/gtest.h>

namespace {

template <typename TRecord> std::string Added(TXIsamFile& file, const TRecord& record)
{
    EXPECT_TRUE(file.Add(record, "")) << file.StatusText();
    return file.LastKey();
}

}  // namespace

std::string TDiaryRecords::User(const std::string& userName, const std::string& fullName,
                                const std::string& abbreviation, int32_t flags, const std::string& password)
{
    TUserRec user;
    Db_.InitUser(user);
    user.Flags = flags;
    SetField(user.UserName, userName);
    SetField(user.FullName, fullName);
    SetField(user.Abbreviation, abbreviation);
    SetField(user.Password, password);
    return Added(Db_.UserFile, user);
}

std::string TDiaryRecords::Category(const std::string& description)
{
    TCategoryRec category{};
    SetField(category.Description, description);
    return Added(Db_.CategoryFile, category);
}

std::string TDiaryRecords::Event(const std::string& stamp, const std::string& owner,
                                 const std::vector<std::string>& assignees, const std::string& description,
                                 int32_t flags, const std::string& category)
{
    EXPECT_LE(assignees.size(), std::size_t(kMaxAssignees)) << description;
    TDayEntryRec entry;
    Db_.InitDayEntry(entry);
    entry.Flags = flags;
    SetField(entry.EntryStamp, stamp.empty() ? IdText(NextStamp_--) : stamp);
    SetField(entry.OwnerId, owner);
    SetField(entry.CategoryId, category);
    SetField(entry.Description, description);
    for (std::size_t slot = 0; slot < assignees.size() && slot < std::size_t(kMaxAssignees); ++slot)
        SetField(entry.AssigneeIds[slot], assignees[slot]);
    return Added(Db_.DayEntryFile, entry);
}

std::string TDiaryRecords::Alarm(const std::string& entry, const std::string& user, const std::string& due,
                                 int32_t flags)
{
    TAlarmRec alarm;
    Db_.InitAlarm(alarm);
    alarm.Flags = flags;
    SetField(alarm.EntryId, entry);
    SetAlarmUser(alarm, user);
    if (!due.empty())
        SetAlarmStamp(alarm, due);
    return Added(Db_.AlarmFile, alarm);
}

std::string StampOf(const QDateTime& when)
{
    TStamp stamp;
    stamp.SetDateTime(when);
    return stamp.StampText();
}

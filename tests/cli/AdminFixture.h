#pragma once

#include "cli/AdminCommand.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

struct TAdminRun
{
    int Exit;
    std::string Out;
    std::string Err;
};

inline TAdminRun RunAdmin(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int exit = TAdminCommand(out, err).Run(args);
    return {exit, out.str(), err.str()};
}

// Records written straight into a database as a workstation would.
class TRecordWriter
{
public:
    explicit TRecordWriter(TOrbekoDB& db) : Db_(db) {}

    std::string User(const std::string& name)
    {
        TUserRec user;
        Db_.InitUser(user);
        SetField(user.UserName, name);
        SetField(user.Abbreviation, name);
        return Added(Db_.UserFile, user);
    }

    std::string Category(const std::string& description)
    {
        TCategoryRec category{};
        SetField(category.Description, description);
        return Added(Db_.CategoryFile, category);
    }

    std::string Event(const std::string& owner, std::initializer_list<std::string> assignees,
                      const std::string& category = "0000000000", const std::string& description = "Meeting")
    {
        TDayEntryRec entry;
        Db_.InitDayEntry(entry);
        // Later events earlier in time: time order is not identifier order.
        SetField(entry.EntryStamp, IdText(Stamp_--));
        SetField(entry.OwnerId, owner);
        SetField(entry.CategoryId, category);
        SetField(entry.Description, description);
        int slot = 0;
        for (const std::string& assignee : assignees)
            SetField(entry.AssigneeIds[slot++], assignee);
        return Added(Db_.DayEntryFile, entry);
    }

    std::string Alarm(const std::string& event, const std::string& user)
    {
        TAlarmRec alarm;
        Db_.InitAlarm(alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.EntryId, event);
        SetAlarmUser(alarm, user);
        return Added(Db_.AlarmFile, alarm);
    }

private:
    template <typename TRecord> std::string Added(TXIsamFile& file, const TRecord& record)
    {
        EXPECT_TRUE(file.Add(record, "")) << file.StatusText();
        return file.LastKey();
    }

    TOrbekoDB& Db_;
    int64_t Stamp_ = 1700000000;
};

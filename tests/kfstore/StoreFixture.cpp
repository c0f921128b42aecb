#include "StoreFixture.h"

#include "kfstore/StoreLocation.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

// The store syncs every commit; on a disk two thousand synced commits take
// half a minute. The files of these tests live in memory where the machine
// has a memory file system, which syncs at once and locks alike. Set before
// main, so every helper process inherits it.
const bool kTestFilesInMemory = [] {
    if (!std::getenv("TMPDIR") && access("/dev/shm", W_OK) == 0)
        setenv("TMPDIR", "/dev/shm", 0);
    return true;
}();

}  // namespace

TDayEntryRec MakeEntry(const std::string& stamp, const std::string& description)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.Marker = 1;
    SetField(entry.EntryStamp, stamp);
    SetField(entry.OwnerId, "0000000001");
    SetField(entry.CategoryId, "0000000000");
    SetField(entry.Description, description);
    for (auto& assignee : entry.AssigneeIds)
        SetField(assignee, "0000000000");
    return entry;
}

TAlarmRec MakeAlarm(const std::string& userId, const std::string& stamp, const std::string& entryId)
{
    TAlarmRec alarm;
    std::memset(&alarm, 0, sizeof(alarm));
    alarm.Flags = afAlarmed;
    SetAlarmUser(alarm, userId);
    SetAlarmStamp(alarm, stamp);
    SetField(alarm.EntryId, entryId);
    return alarm;
}

TUserRec MakeUser(const std::string& userName)
{
    TUserRec user;
    std::memset(&user, 0, sizeof(user));
    SetField(user.UserName, userName);
    SetField(user.FullName, userName + " full name");
    return user;
}

TCategoryRec MakeCategory(const std::string& description)
{
    TCategoryRec category;
    std::memset(&category, 0, sizeof(category));
    SetField(category.Description, description);
    return category;
}

std::string HomeName(const ::testing::TestParamInfo<THomeKind>& info)
{
    return info.param == THomeKind::Folder ? "Folder" : "Server";
}

void TStoreFiles::MakeHome(THomeKind home)
{
    if (home == THomeKind::Server) {
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        Database_ = std::make_unique<TTestDatabase>();
    }
}

std::string TStoreFiles::Path(const std::string& name) const
{
    return Database_ ? StoreLocation::FileName(Database_->Location(), name) : Dir.File(name);
}

std::string TStoreFiles::Location() const
{
    return Database_ ? Database_->Location() : Dir.Path() + "/";
}

bool TStoreFiles::Exists(const std::string& name) const
{
    if (!Database_)
        return std::filesystem::exists(Path(name));
    TXIsamFile probe;
    return probe.Open(Path(name), 3) || probe.Status() != 1;
}

void TStoreFiles::OpenFile(TXIsamFile& file, const std::string& format, const std::string& name)
{
    if (!Exists(name)) {
        ASSERT_TRUE(file.CreateFile(Path(name), 10, format)) << file.StatusText();
    }
    ASSERT_TRUE(file.Open(Path(name), 3)) << file.StatusText();
}

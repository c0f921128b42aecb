#include "storage/OrbekoDB.h"

#include "storage/RegistryKey.h"

#include <cstring>
#include <filesystem>

namespace {

constexpr int16_t kOpenMode = 3;
constexpr int16_t kPrimaryKeyLength = 10;

}  // namespace

TOrbekoDB::TOrbekoDB(TOrbekoDBShell& shell)
{
    FindRootPath(shell);
    OpenFile(UserFile, UserFileName, UserKeyFormat, "user");
    OpenFile(AlarmFile, AlarmFileName, AlarmKeyFormat, "alarm");
    OpenFile(CategoryFile, CategoryFileName, CategoryKeyFormat, "category");
    OpenFile(DayEntryFile, DayEntryFileName, DayEntryKeyFormat, "day entry");
}

void TOrbekoDB::FindRootPath(TOrbekoDBShell& shell)
{
    {
        auto key = TRegistryKey::Open(false);
        if (!key)
            throw EOrbekoDB("Unable to locate Orbeko root path in registry");
        QString stored;
        if (key->ReadText(QStringLiteral("RootPath"), stored))
            RootPath = stored.toStdString();
        if (RootPath.empty()) {
            shell.Warn("The Orbeko Database path could not be found\r\r"
                       "You will now be asked for the location of the Orbeko Database,\r"
                       "If you would like to create a NEW Database, simply select the folder\r"
                       "you would like the Database created in.\r\r"
                       "If you wish to connect to an existing Database, Please choose the Folder "
                       "that contains the Orbeko Database.");
            std::string chosen;
            if (!shell.AskFolder("Select Orbeko Database Location?", chosen))
                throw EOrbekoDB("Unable to locate Orbeko Database!");
            RootPath = chosen;
            key->WriteText(QStringLiteral("RootPath"), QString::fromStdString(chosen));
        }
    }
    if (RootPath.empty())
        throw EOrbekoDB("Orbeko root path has not been set in registry");
    if (RootPath.back() != '/')
        RootPath += '/';
}

void TOrbekoDB::OpenFile(TXIsamFile& file, const char* name, const char* keyFormat, const char* what)
{
    if (!file.Usable())
        throw EOrbekoDB("Unable to load KFSTORE.DLL");
    const std::string path = RootPath + name;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        if (!file.CreateFile(path, kPrimaryKeyLength, keyFormat))
            throw EOrbekoDB(std::string("Unable to create ") + what + " isam\r\r" + file.StatusText());
    }
    OpenExisting(file, path, what);
}

void TOrbekoDB::OpenExisting(TXIsamFile& file, const std::string& path, const char* what)
{
    if (!file.Open(path, kOpenMode))
        throw EOrbekoDB(std::string("Unable to open ") + what + " isam\r\r" + file.StatusText());
}

void TOrbekoDB::Reopen()
{
    UserFile.Close();
    OpenExisting(UserFile, RootPath + UserFileName, "user");
    CategoryFile.Close();
    OpenExisting(CategoryFile, RootPath + CategoryFileName, "category");
}

void TOrbekoDB::InitUser(TUserRec& record) const
{
    std::memset(&record, 0, sizeof record);
}

void TOrbekoDB::InitAlarm(TAlarmRec& record)
{
    std::memset(&record, 0, sizeof record);
    Stamp.SetNow();
    SetField(record.AlarmStamp, Stamp.StampText());
}

void TOrbekoDB::InitDayEntry(TDayEntryRec& record) const
{
    std::memset(&record, 0, sizeof record);
    record.Marker = 1;
    SetField(record.CategoryId, kNoneId);
    for (auto& slot : record.AssigneeIds)
        SetField(slot, kNoneId);
}

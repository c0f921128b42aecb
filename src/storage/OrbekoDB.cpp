#include "storage/OrbekoDB.h"

#include "storage/FolderDiagnosis.h"
#include "storage/KfStore.h"
#include "storage/RegistryKey.h"

#include <cstring>
#include <filesystem>
#include <iterator>
#include <vector>

namespace {

constexpr int16_t kOpenMode = 3;
constexpr int16_t kPrimaryKeyLength = 10;

}  // namespace

struct TOrbekoDB::TFileSpec
{
    const char* Name;
    const char* KeyFormat;
    const char* What;
    TXIsamFile TOrbekoDB::*File;
};

const TOrbekoDB::TFileSpec TOrbekoDB::kFiles[4] = {
    {UserFileName, UserKeyFormat, "user", &TOrbekoDB::UserFile},
    {AlarmFileName, AlarmKeyFormat, "alarm", &TOrbekoDB::AlarmFile},
    {CategoryFileName, CategoryKeyFormat, "category", &TOrbekoDB::CategoryFile},
    {DayEntryFileName, DayEntryKeyFormat, "day entry", &TOrbekoDB::DayEntryFile},
};

TOrbekoDB::TOrbekoDB(TOrbekoDBShell& shell)
{
    FindRootPath(shell);
    OpenFolder(shell);
}

TOrbekoDB::TOrbekoDB(TOrbekoDBShell& shell, const std::string& folder) : RootPath(folder)
{
    if (RootPath.empty() || RootPath.back() != '/')
        RootPath += '/';
    OpenFolder(shell);
}

void TOrbekoDB::OpenFolder(TOrbekoDBShell& shell)
{
    for (const TFileSpec& known : kFiles)
        if (!FileOf(known).Usable())
            throw EOrbekoDB("Unable to load KFSTORE.DLL");

    std::vector<std::string> missing;
    std::error_code error;
    for (const TFileSpec& known : kFiles)
        if (!std::filesystem::exists(RootPath + known.Name, error))
            missing.push_back(known.Name);
    // A folder that is not there is reported by the first open below, with
    // the system's reason, rather than offered as a place for a new database.
    if (missing.size() == std::size(kFiles) && std::filesystem::is_directory(RootPath, error))
        CreateDatabase(shell);
    else if (!missing.empty() && missing.size() < std::size(kFiles)) {
        std::string names;
        for (const std::string& name : missing)
            names += (names.empty() ? "" : ", ") + name;
        throw EOrbekoDB("The Orbeko Database in " + FolderText() + " is incomplete: " + names +
                        (missing.size() == 1 ? " is" : " are") +
                        " missing.\r\rRestore the missing files from a backup, or choose another folder. "
                        "Orbeko does not make them afresh, since empty files would stand in for records "
                        "that were lost.");
    }
    for (const TFileSpec& known : kFiles)
        OpenExisting(FileOf(known), known.Name, known.What);
}

TXIsamFile& TOrbekoDB::FileOf(const TFileSpec& known)
{
    return this->*known.File;
}

std::string TOrbekoDB::FolderText() const
{
    return RootPath.size() > 1 ? RootPath.substr(0, RootPath.size() - 1) : RootPath;
}

void TOrbekoDB::CreateDatabase(TOrbekoDBShell& shell)
{
    if (!shell.Confirm("There is no Orbeko database in " + FolderText() + ". Create a new one here?"))
        throw EOrbekoDB("Unable to locate Orbeko Database!");
    // Files made here go again if a later one cannot be made, so that a
    // failed attempt never leaves the incomplete database refused above.
    std::vector<std::string> made;
    try {
        for (const TFileSpec& known : kFiles) {
            const std::string path = RootPath + known.Name;
            TXIsamFile& file = FileOf(known);
            if (file.CreateFile(path, kPrimaryKeyLength, known.KeyFormat)) {
                made.push_back(path);
                continue;
            }
            // Another workstation creating the same database at this moment.
            std::error_code error;
            if (!std::filesystem::exists(path, error))
                throw EOrbekoDB(TFolderDiagnosis::Explain(
                    std::string("Unable to create ") + known.What + " isam\r\r" + file.StatusText(), RootPath));
        }
    } catch (...) {
        for (const std::string& path : made)
            KfsKill(path.c_str());
        throw;
    }
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

void TOrbekoDB::OpenExisting(TXIsamFile& file, const char* name, const char* what) const
{
    const std::string path = RootPath + name;
    const std::string headline = std::string("Unable to open ") + what + " isam";
    if (!file.Open(path, kOpenMode))
        throw EOrbekoDB(TFolderDiagnosis::Explain(headline + "\r\r" + file.StatusText(), RootPath, path));
    // The engine falls back to reading a file it may not write; every
    // change would then fail, so the folder is refused now, with the cause.
    if (!TFolderDiagnosis::Writable(RootPath, path)) {
        file.Close();
        throw EOrbekoDB(TFolderDiagnosis::Explain(headline, RootPath, path));
    }
}

void TOrbekoDB::Reopen()
{
    UserFile.Close();
    OpenExisting(UserFile, UserFileName, "user");
    CategoryFile.Close();
    OpenExisting(CategoryFile, CategoryFileName, "category");
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

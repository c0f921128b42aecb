#include "storage/OrbekoDB.h"

#include "kfstore/folder/FolderDiagnosis.h"
#include "storage/DatabaseUid.h"
#include "kfstore/KfStore.h"
#include "storage/RegistryKey.h"
#include "kfstore/ServerModule.h"
#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>
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

TOrbekoDB::TOrbekoDB(TOrbekoDBShell& shell, const std::string& location)
    : RootPath(StoreLocation::Normalized(location))
{
    OpenFolder(shell);
}

void TOrbekoDB::OpenFolder(TOrbekoDBShell& shell)
{
    for (const TFileSpec& known : kFiles)
        if (!FileOf(known).Usable())
            throw EOrbekoDB("Unable to load KFSTORE.DLL");
    // Without its module every open would only say "Function no available".
    if (OnServer() && !StoreHomes::Server())
        throw EOrbekoDB("Unable to open the Orbeko Database on " + FolderText() +
                        ": this installation lacks Orbeko's server support (" + TServerModule::FileName +
                        ").\r\rIt was looked for here:\r" + StoreHomes::ServerMissing());

    std::vector<std::string> missing;
    for (const TFileSpec& known : kFiles)
        if (!Exists(known))
            missing.push_back(known.Name);
    // A folder that is not there is reported by the first open below, with
    // the system's reason, rather than offered as a place for a new database.
    std::error_code error;
    const bool create =
        missing.size() == std::size(kFiles) && (OnServer() || std::filesystem::is_directory(RootPath, error));
    if (create)
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
    // Named once, at its birth, so that its backups and copies share the name.
    if (create)
        TDatabaseUid::Make(*this);
    Details.Attach(FilePath(TDetailFile::FileName), OnServer() ? std::string() : FilePath(DayEntryFileName));
    // A damaged or foreign file in its place is told now, never written over.
    Details.Exists();
}

TXIsamFile& TOrbekoDB::FileOf(const TFileSpec& known)
{
    return this->*known.File;
}

bool TOrbekoDB::OnServer() const
{
    return StoreLocation::IsServer(RootPath);
}

std::string TOrbekoDB::FilePath(const std::string& name) const
{
    return StoreLocation::FileName(RootPath, name);
}

bool TOrbekoDB::Exists(const TFileSpec& known)
{
    if (!OnServer()) {
        std::error_code error;
        return std::filesystem::exists(FilePath(known.Name), error);
    }
    // A server that cannot be reached is no empty database.
    TXIsamFile probe;
    if (probe.Open(FilePath(known.Name), kOpenMode))
        return true;
    if (probe.Status() == ksNotFound)
        return false;
    throw EOrbekoDB(std::string("Unable to open ") + known.What + " isam\r\r" + probe.StatusText());
}

std::string TOrbekoDB::FolderText() const
{
    return StoreHomes::Shown(RootPath);
}

std::string TOrbekoDB::Explained(const std::string& headline, const std::string& file) const
{
    return OnServer() ? headline : TFolderDiagnosis::Explain(headline, RootPath, file);
}

std::string TOrbekoDB::Diagnosed(const std::string& message) const
{
    if (OnServer())
        return message;
    for (const TFileSpec& known : kFiles) {
        const std::string reason = TFolderDiagnosis::Describe(RootPath, FilePath(known.Name));
        if (!reason.empty())
            return message + "\r\r" + reason;
    }
    return message;
}

void TOrbekoDB::CreateDatabase(TOrbekoDBShell& shell)
{
    // The location on a line of its own: a long one is not broken up
    // with the words around it.
    if (!shell.Confirm("There is no Orbeko database in\r\r" + FolderText() + "\r\rCreate a new one here?"))
        throw EOrbekoDB("Unable to locate Orbeko Database!");
    // Files made here go again if a later one cannot be made, so that a
    // failed attempt never leaves the incomplete database refused above.
    std::vector<std::string> made;
    try {
        for (const TFileSpec& known : kFiles) {
            const std::string path = FilePath(known.Name);
            TXIsamFile& file = FileOf(known);
            if (file.CreateFile(path, kPrimaryKeyLength, known.KeyFormat)) {
                made.push_back(path);
                continue;
            }
            // Another workstation creating the same database at this moment.
            if (!Exists(known))
                throw EOrbekoDB(
                    Explained(std::string("Unable to create ") + known.What + " isam\r\r" + file.StatusText()));
        }
    } catch (...) {
        for (const std::string& path : made)
            TXIsamFile().RemoveFile(path);
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
    RootPath = StoreLocation::Normalized(RootPath);
}

void TOrbekoDB::OpenExisting(TXIsamFile& file, const char* name, const char* what) const
{
    const std::string path = FilePath(name);
    const std::string headline = std::string("Unable to open ") + what + " isam";
    if (!file.Open(path, kOpenMode))
        throw EOrbekoDB(Explained(headline + "\r\r" + file.StatusText(), path));
    // The engine falls back to reading a file it may not write; every
    // change would then fail, so the folder is refused now, with the cause.
    if (!OnServer() && !TFolderDiagnosis::Writable(RootPath, path)) {
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

void TOrbekoDB::AddAssigneeAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm)
{
    SetField(alarm.EntryId, entryId);
    for (const auto& slot : entry.AssigneeIds) {
        // A free slot holds "0000000000"; one left blank is free as well.
        const std::string userId = FieldText(slot);
        if (IdValue(userId) == 0)
            continue;
        SetAlarmUser(alarm, userId);
        if (!AlarmFile.Add(alarm, ""))
            throw std::runtime_error(AlarmFile.StatusText());
    }
}

void TOrbekoDB::InitDayEntry(TDayEntryRec& record) const
{
    std::memset(&record, 0, sizeof record);
    record.Marker = 1;
    SetField(record.CategoryId, kNoneId);
    for (auto& slot : record.AssigneeIds)
        SetField(slot, kNoneId);
}

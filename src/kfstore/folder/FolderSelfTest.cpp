#include "kfstore/folder/FolderSelfTest.h"

#include "kfstore/folder/Restore.h"
#include "kfstore/folder/FileSystemKind.h"

#include <filesystem>

TFolderSelfTest::TFolderSelfTest(const std::string& folder, TKeptFiles files)
    : Folder_(folder), Files_(files.begin(), files.end())
{
    if (TRestore::Unfinished(folder))
        Findings_.push_back({true, "a restore of the folder was interrupted, so it may hold old and restored files "
                                   "side by side; run \"orbeko-admin restore --finish\" on it first"});
    FileSystem_ = FileSystemKindName(FileSystemKindAt(folder));
    std::error_code error;
    const std::string real = std::filesystem::canonical(folder, error).string();
    Mount_ = TMountTable::Find(TMountTable::System(), error ? folder : real);
    if (Mount_)
        for (const TMountRisk& risk : TMountTable::Risks(*Mount_))
            Findings_.push_back({risk.Refuse, risk.Reason});
    Locks_ = TLockTest::Run(folder);
    if (!Locks_.Ran)
        Findings_.push_back({true, "the lock test could not run: " + Locks_.Error});
    else if (!Locks_.Excludes)
        Findings_.push_back({true, "a record locked by one process was given to another as well: locks in this "
                                   "folder do not exclude"});
    else if (!Locks_.FreedOnDeath)
        Findings_.push_back({true, "the lock of a process that was killed was not freed: a workstation that stops "
                                   "would keep its records locked"});
}

void TFolderSelfTest::CheckPresence(int ownSlot)
{
    for (const TPresence::TUnseen& other : TPresence::FindUnseen(Folder_, Files_, ownSlot))
        Findings_.push_back({true, "the workstation " + other.Host + " (process " + std::to_string(other.Pid)
                                       + ") is using the folder, but its locks cannot be seen from here: locks are "
                                         "not shared between the machines"});
}

bool TFolderSelfTest::Refused() const
{
    for (const TFinding& finding : Findings_)
        if (finding.Refuse)
            return true;
    return false;
}

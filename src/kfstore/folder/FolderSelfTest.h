#pragma once

#include "kfstore/folder/LockTest.h"
#include "kfstore/folder/MountTable.h"
#include "kfstore/folder/Presence.h"

#include <optional>
#include <string>
#include <vector>

// Whether a database folder can be shared safely: an interrupted restore,
// the two-process lock test, the file system and its mount options, and
// the workstations whose locks cannot be seen from here (TPresence).
class TFolderSelfTest
{
public:
    struct TFinding
    {
        bool Refuse;  // sharing the folder would lose data; otherwise a warning
        std::string Text;
    };

    // Runs every check but the presence check on the folder of files.
    TFolderSelfTest(const std::string& folder, TKeptFiles files);
    // Adds the workstations that beat without a lock seen from here.
    void CheckPresence(int ownSlot);

    bool Refused() const;
    const std::vector<TFinding>& Findings() const { return Findings_; }
    const std::string& FileSystem() const { return FileSystem_; }
    const std::optional<TMountEntry>& Mount() const { return Mount_; }
    const TLockTest::TResult& Locks() const { return Locks_; }

private:
    std::string Folder_;
    std::vector<TKeptFile> Files_;
    std::string FileSystem_;
    std::optional<TMountEntry> Mount_;
    TLockTest::TResult Locks_;
    std::vector<TFinding> Findings_;
};

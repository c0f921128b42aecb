#pragma once

#include "kfstore/KeptFile.h"

#include <stdexcept>
#include <string>

// A restore refused as it stands (a workstation has the folder open, the
// backup has problems); the folder is unchanged.
class ERestoreRefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Puts the files of a backup in place of a folder's, so that a crash
// at any point leaves either the old set or the new one:
//
// 1. Every file is marked for removal (the exclusive side of the open mark
//    every handle holds shared): refused while any workstation has any
//    file open, and no workstation can open one until the restore is
//    over. The staged files are marked too, as they are renamed into place.
// 2. The backup is copied into a staging folder inside the folder (same
//    file system, so renames are atomic) and synced.
//    An optional file the backup lacks is staged as a file named after it
//    with AbsentSuffix: it is removed from the folder with the move.
// 3. A marker file in the staging folder is written and synced: from here
//    on the new set counts, and an interrupted restore is finished by
//    moving whatever is still staged into place (Finish).
// 4. Each file is renamed into place; a rollback journal left by the old
//    file is removed first, as it would otherwise be played into the new
//    file. A file staged as absent is removed, with its journal and lock
//    file. The folder is synced, then the staging folder removed.
//
// Orbeko refuses a folder whose restore is unfinished (Unfinished()), so
// no workstation ever works on a mixed set.
class TRestore
{
public:
    static constexpr const char* StagingName = "OrbekoRestore.tmp";
    static constexpr const char* MarkerName = "complete";
    static constexpr const char* AbsentSuffix = ".absent";

    // The files of backup in place of folder's. Throws ERestoreRefused, or
    // std::runtime_error when a step fails.
    static void Run(TKeptFiles files, const std::string& backup, const std::string& folder);
    // Completes an interrupted restore from its staged copy; false when
    // there was none to complete. Throws like Run.
    static bool Finish(TKeptFiles files, const std::string& folder);
    // True when a restore of folder was interrupted after its copy was
    // complete, so the folder may hold part old and part new files.
    static bool Unfinished(const std::string& folder);
};

#include "storage/DatabaseRestore.h"

#include "kfstore/folder/Restore.h"
#include "storage/DatabaseCheck.h"
#include "storage/DatabaseFiles.h"

namespace DatabaseRestore {

void Run(const std::string& backup, const std::string& folder)
{
    const int64_t problems = TDatabaseCheck([](const TProblem&) {}).CheckQuiet(backup);
    if (problems != 0)
        throw ERestoreRefused("the backup in " + backup + " has " + std::to_string(problems)
                              + " problems (see orbeko-admin check); the folder is unchanged");
    TRestore::Run(kDatabaseFiles, backup, folder);
}

bool Finish(const std::string& folder)
{
    return TRestore::Finish(kDatabaseFiles, folder);
}

}  // namespace DatabaseRestore

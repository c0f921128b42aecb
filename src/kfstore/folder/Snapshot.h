#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/StoreUpkeep.h"

#include <string>
#include <vector>

// Copies the keyed files of a folder into another folder as they
// stood at one moment, while workstations keep working: each file is
// copied whole inside a read transaction, and the read transactions of
// all of them are taken (in the order given) before the first
// byte is copied and held until the last, so the copies agree with each
// other. Workstations that write meanwhile wait for the copy, for at most
// the engine's busy timeout.
class TSnapshot
{
public:
    using TFailure = TStoreUpkeep::TFailure;

    // destination must exist and hold none of the files. A file missing
    // from source is left out of the copy (the check reports it unless it
    // is optional);
    // a file that cannot be copied is named, and the others are copied.
    // Returns the failures, none when every file there was copied.
    // Files: the copies and the destination's entries are on the disk when
    // Take returns, as a backup must be; None for a copy only read once.
    enum class TSync { None, Files };

    static std::vector<TFailure> Take(TKeptFiles files, const std::string& source, const std::string& destination,
                                      TSync sync);
};

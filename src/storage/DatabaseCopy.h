#pragma once

#include "kfstore/StoreCopy.h"
#include "storage/DatabaseFiles.h"

// The files of a database, the details file where there is one, copied
// from one home to another (TStoreCopy).
class TDatabaseCopy
{
public:
    static int64_t Run(const std::string& source, const std::string& destination)
    {
        return TStoreCopy::Run(kDatabaseFiles, source, destination);
    }
};

#pragma once

#include "kfstore/KeptFile.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// A copy that may not be made: the source is in use, or the destination
// already holds one of the files.
class ECopyRefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Copies the files of a database from one home to another, a folder or a
// PostgreSQL server in either direction, record by record through the
// store, keys, records and notes as they are. The source's files are opened
// alone, so the copy is refused while any workstation has the database
// open and none can open it until the copy is done; the destination's files
// are made and held alone the same way, and removed again when the copy
// fails, so it never leaves half a database. An optional file the source
// does not hold is not made in the destination either.
class TStoreCopy
{
public:
    // The number of records copied. Throws ECopyRefused, or
    // std::runtime_error when the copy failed.
    static int64_t Run(TKeptFiles files, const std::string& source, const std::string& destination);
};

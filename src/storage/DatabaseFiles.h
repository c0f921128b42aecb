#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/PrimaryKey.h"
#include "storage/OrbekoDB.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

class TStoreUpkeep;

inline constexpr int kPrimaryKeyLength = 10;

// The four keyed files of a database, in the order a copy takes them:
// every file after the files its records name (events name users and
// categories, alarms name events), so a copy taken in this order never
// holds a reference to a record that had not yet been written.
using TDatabaseFile = TKeptFile;

inline constexpr std::array<TDatabaseFile, 4> kDatabaseFiles{{
    {TOrbekoDB::UserFileName, TOrbekoDB::UserKeyFormat, kPrimaryKeyLength},
    {TOrbekoDB::CategoryFileName, TOrbekoDB::CategoryKeyFormat, kPrimaryKeyLength},
    {TOrbekoDB::DayEntryFileName, TOrbekoDB::DayEntryKeyFormat, kPrimaryKeyLength},
    {TOrbekoDB::AlarmFileName, TOrbekoDB::AlarmKeyFormat, kPrimaryKeyLength},
}};

// A primary key or reference as the records hold them: ten decimal digits.
inline bool IsIdentifier(std::string_view text)
{
    return PrimaryKey::Counted(text, kPrimaryKeyLength);
}

// The keeper's work on the database at location, a folder or a server.
// Throws std::runtime_error when this program cannot reach its home.
std::unique_ptr<TStoreUpkeep> DatabaseUpkeep(const std::string& location);

#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/PrimaryKey.h"
#include "storage/DetailFile.h"
#include "storage/OrbekoDB.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class TStoreUpkeep;

inline constexpr int kPrimaryKeyLength = 10;

// The keyed files of a database as its keeper looks after them, in the
// order a copy takes them: every file after the files its records name
// (events name users and categories, alarms name events, details name all
// three), so a copy taken in this order never holds a reference to a record
// that had not yet been written. The four come first; the details file
// after them is optional. Whether a folder holds a whole database is
// TOrbekoDB's rule of the four alone.
using TDatabaseFile = TKeptFile;

inline constexpr std::size_t kUsersFile = 0;
inline constexpr std::size_t kCategoriesFile = 1;
inline constexpr std::size_t kEventsFile = 2;
inline constexpr std::size_t kAlarmsFile = 3;
inline constexpr std::size_t kDetailsFile = 4;

inline constexpr std::array<TDatabaseFile, 5> kDatabaseFiles{{
    {TOrbekoDB::UserFileName, TOrbekoDB::UserKeyFormat, kPrimaryKeyLength},
    {TOrbekoDB::CategoryFileName, TOrbekoDB::CategoryKeyFormat, kPrimaryKeyLength},
    {TOrbekoDB::DayEntryFileName, TOrbekoDB::DayEntryKeyFormat, kPrimaryKeyLength},
    {TOrbekoDB::AlarmFileName, TOrbekoDB::AlarmKeyFormat, kPrimaryKeyLength},
    {TDetailFile::FileName, TDetailFile::KeyFormat, kPrimaryKeyLength, true},
}};

// A primary key or reference as the records hold them: ten decimal digits.
inline bool IsIdentifier(std::string_view text)
{
    return PrimaryKey::Counted(text, kPrimaryKeyLength);
}

// The keeper's work on the database at location, a folder or a server.
// Throws std::runtime_error when this program cannot reach its home.
std::unique_ptr<TStoreUpkeep> DatabaseUpkeep(const std::string& location);

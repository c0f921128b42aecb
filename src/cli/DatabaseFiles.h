#pragma once

#include "storage/OrbekoDB.h"

#include <array>
#include <string>

// The four keyed files of a database folder, in the order a copy takes
// them: every file after the files its records name (events name users and
// categories, alarms name events), so a copy taken in this order never
// holds a reference to a record that had not yet been written.
struct TDatabaseFile
{
    const char* Name;
    const char* KeyFormat;
};

inline constexpr std::array<TDatabaseFile, 4> kDatabaseFiles{{
    {TOrbekoDB::UserFileName, TOrbekoDB::UserKeyFormat},
    {TOrbekoDB::CategoryFileName, TOrbekoDB::CategoryKeyFormat},
    {TOrbekoDB::DayEntryFileName, TOrbekoDB::DayEntryKeyFormat},
    {TOrbekoDB::AlarmFileName, TOrbekoDB::AlarmKeyFormat},
}};

inline constexpr int kPrimaryKeyLength = 10;

// folder + "/" + name, whether or not folder ends in a separator.
inline std::string FolderFile(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

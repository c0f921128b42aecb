#pragma once

#include <cstdint>

// The status for an SQLite result code (primary or extended) of one of our
// own statements, which are always valid SQL: an SQL error there means the
// file's tables are not what they should be. systemError is the errno
// behind a file that could not be opened or read (sqlite3_system_errno),
// 0 when unknown.
int16_t StatusFromSqlite(int resultCode, int systemError = 0);

#pragma once

#include <string>

class TOrbekoDB;

// The part of every iCalendar UID that names this database. A new database
// is given one when its files are made, kept in the users file's note, so
// it travels with backups and copies (an earlier version made it at the
// first export). A database that has none
// (made before there were UIDs, and never exported since) names itself by
// its first user, which its backups and copies share. Reading it writes
// nothing, so a read-only account or a backup on read-only media gives
// the same UID as the folder.
class TDatabaseUid
{
public:
    // Throws EOrbekoDB when the users file cannot be read.
    static std::string Of(TOrbekoDB& db);
    // Gives the database a UID of its own unless it has one. Throws
    // EOrbekoDB when it cannot be written.
    static void Make(TOrbekoDB& db);
};

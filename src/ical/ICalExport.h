#pragma once

#include <QDate>

#include <cstddef>
#include <functional>
#include <string>

class TOrbekoDB;
struct TDayEntryRec;

// Writes the diary's events as an iCalendar (RFC 5545) file through libical.
// Each event becomes a VEVENT whose UID is its identifier at this database,
// so that exporting twice gives the same UIDs and importing back finds them.
// Its details go with it: its end (DTEND; for an un-timed event the day
// after its last, so that a run of days is one VEVENT), place (LOCATION)
// and notes (DESCRIPTION). The owner and assignees who have an e-mail
// address are its ORGANIZER and ATTENDEEs, by address and full name.
class TICalExport
{
public:
    struct TOptions
    {
        QDate From;
        QDate To;  // inclusive
        // Which events go out: the views' visibility test for the user who
        // exports; everything when empty.
        std::function<bool(const TDayEntryRec&)> Visible;
        // The user whose alarms become VALARMs; none when empty.
        std::string AlarmUserId;
    };

    explicit TICalExport(TOrbekoDB& db) : Db_(db) {}

    // The whole calendar as text; Count() tells how many events it holds.
    std::string Export(const TOptions& options);
    std::size_t Count() const { return Count_; }

    // The part of every UID that names this database (TDatabaseUid): the
    // same for every workstation, its backups and copies; read, never
    // written.
    static std::string DatabaseUid(TOrbekoDB& db);

private:
    TOrbekoDB& Db_;
    std::size_t Count_ = 0;
};

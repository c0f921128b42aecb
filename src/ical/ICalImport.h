#pragma once

#include <QDate>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

class TOrbekoDB;

// Reads an iCalendar (RFC 5545) file through libical into the diary. Every
// VEVENT becomes events owned by and assigned to one user (attendees whose
// e-mail address or full name is a user's are assigned too). One with a
// single RRULE becomes a series, its occurrences made as the diary makes
// them, without the days its EXDATEs take out; a VEVENT with a RECURRENCE-ID
// takes the place of the occurrence it changes. Any other recurring one
// becomes one event per occurrence in a range. Its end (DTEND, or DTSTART
// and DURATION), LOCATION and DESCRIPTION become the event's details; an
// all-day event over several days stays one event. Events already in the
// diary (our own UID, or the same start and description) are skipped with
// the details they have. Bad input is reported per event and never stops
// the rest: a date that does not exist is refused, never moved, and the
// work one event or one time zone may take is bounded. Cancelled events are
// passed over; a cancelled occurrence of a series takes that occurrence out.
class TICalImport
{
public:
    // How much one event and one time zone may cost; beyond it they are refused.
    struct TLimits
    {
        std::chrono::milliseconds EventWork{2000};  // working out one event
        std::size_t Occurrences = 10000;           // of one event in the range
        std::size_t ZoneChanges = 5000;            // changes of offset one time zone's rules give up to 2037
    };

    struct TOutcome
    {
        std::size_t Added = 0;    // events written
        std::size_t Skipped = 0;  // events already in the diary
        std::size_t Refused = 0;  // VEVENTs refused, each with a report
        std::size_t Read = 0;     // VEVENTs in the file
        std::size_t Cancelled = 0;  // cancelled VEVENTs passed over
        // What the diary cannot hold, counted.
        std::size_t StrangerAttendees = 0;  // attendees who are not users
        std::size_t Alarms = 0;             // VALARMs
        std::size_t Attachments = 0;        // ATTACHs
        // Whether the file held no iCalendar data at all.
        bool NoCalendar = false;
        // One line per event refused or imported with a fault, and per fault
        // of the file itself.
        std::vector<std::string> Reports;

        // "Added 3 events, skipped 1 already in the diary, refused 0." (with
        // ", passed over 2 cancelled" when there were), what was not kept,
        // and the reports below it.
        std::string Summary() const;
    };

    // userId: the identifier of the user who owns what is imported.
    TICalImport(TOrbekoDB& db, std::string userId);
    TICalImport(TOrbekoDB& db, std::string userId, TLimits limits);

    // Occurrences of recurring events that are not series between from and
    // to (inclusive) are imported; a single event or a series whatever its date. The events are written in
    // one write batch; a write the file could not store raises EOrbekoDB
    // with the file's status text.
    TOutcome Import(const std::string& text, const QDate& from, const QDate& to);

private:
    TOrbekoDB& Db_;
    const std::string UserId_;
    const TLimits Limits_;
};

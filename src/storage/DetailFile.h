#pragma once

#include "kfstore/XIsamFile.h"
#include "storage/EventDetails.h"
#include "storage/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The fifth keyed file, beside the four whose layouts other workstations
// rely on: the pieces of events, categories and users that those files have
// no field for (see TDetailRec). A database without it is complete; it is
// made by the first write that needs it, and found by every workstation's
// next read. Failed reads and writes raise EOrbekoDB with the file's status.
//
// An event's pieces change under the event's record lock, which the caller
// holds: they are never locked themselves.
class TDetailFile
{
public:
    static constexpr const char* FileName = "OBDetail.Ism";
    static constexpr const char* KeyFormat = "&,X$*16,X$*12,$*11,$*11,$*11,$*11,$*11,$*255";
    static constexpr int16_t IdKey = 0;
    static constexpr int16_t SubjectKey = 2;
    static constexpr int16_t ReachKey = 3;
    // Notes are kept in pieces of a text field each.
    static constexpr int kMaxNotePieces = 40;
    static constexpr std::size_t kMaxNotesBytes = kMaxNotePieces * (sizeof(TDetailRec::Text) - 1);
    // Weeks an event may cover after the week it starts in.
    static constexpr int kMaxCoveredWeeks = 999;

    // The heads of the events that start on one day, and the events that
    // started on an earlier day and still run on it, each with the piece
    // that says so (its end and place, as a head has them).
    struct TDay
    {
        std::unordered_map<std::string, TDetailRec> Heads;  // by event identifier
        std::vector<std::pair<std::string, TDetailRec>> Covering;
    };

    TDetailFile() = default;
    TDetailFile(const TDetailFile&) = delete;
    TDetailFile& operator=(const TDetailFile&) = delete;

    // The file at path; a new one takes the permissions and group of model
    // (the events file beside it) so every account that writes events may
    // write it. A server's file has no model.
    void Attach(std::string path, std::string model);
    void Close();
    // Whether the file is there (and open); a server that cannot say raises.
    bool Exists();
    TXIsamFile& File() { return File_; }
    // The file open for writing, made when it is not there yet.
    TXIsamFile& Writable();
    // Makes the pieces whose subject begins with the prefix exactly these,
    // in one batch; for pieces of subjects this class does not know itself.
    void ReplaceSubject(const std::string& subjectPrefix, const std::vector<TDetailRec>& wanted)
    {
        Replace(subjectPrefix, wanted);
    }

    // The event's details; empty when it has none or only leftovers.
    TEventDetails Event(const std::string& id, const TDayEntryRec& event);
    // Replaces the event's details with these, made for the event as it will
    // be stored; stored is the event as it is stored now (none for a new
    // one), so that the details stay its own should the event's own write
    // not follow. Throws std::invalid_argument for an end before the start
    // or one too far away.
    void WriteEvent(const std::string& id, const TDayEntryRec& event, const TEventDetails& details,
                    const TDayEntryRec* stored);
    void RemoveEvent(const std::string& id);
    // One day's heads and covering events, midnight being its stamp.
    TDay ReadDay(const std::string& midnight);
    // The details a head or cover read by ReadDay holds for this event, if its own.
    static std::optional<TEventDetails> HeadDetails(const TDetailRec& head, const TDayEntryRec& event);

    // A category's own colour as 0xRRGGBB; none when it uses the workstation's.
    std::optional<uint32_t> CategoryColour(const std::string& id);
    // Every category's own colour, by identifier.
    std::unordered_map<std::string, uint32_t> CategoryColours();
    void SetCategoryColour(const std::string& id, std::optional<uint32_t> colour);
    void RemoveCategory(const std::string& id);
    QString UserEmail(const std::string& id);
    void SetUserEmail(const std::string& id, const QString& email);
    // The user's password hash (TUserPassword's), empty when he has none.
    std::string UserPasswordHash(const std::string& id);
    // An empty hash removes it.
    void SetUserPasswordHash(const std::string& id, const std::string& hash);
    void RemoveUser(const std::string& id);

    // The letters of the records a subject names.
    static constexpr char EventSubject = 'E';
    static constexpr char CategorySubject = 'C';
    static constexpr char UserSubject = 'U';
    static constexpr char SeriesSubject = 'R';
    // An event's piece that makes it an occurrence of a series; kept, with
    // its guard brought up to date, when the event's details are written.
    static constexpr char LinkPiece = 'L';
    // A series' head: its rule, its start and how far it has been made.
    static constexpr char SeriesHeadPiece = 'H';

    // The identifier of the record a subject names, and its letter.
    static std::string SubjectId(const TDetailRec& piece);
    static char SubjectKind(const TDetailRec& piece);
    static char PieceKind(const TDetailRec& piece);
    // Whether an event's piece is the event's own (its guard matches).
    static bool Belongs(const TDetailRec& piece, const TDayEntryRec& event);

private:
    struct TPiece
    {
        std::string Key;
        TDetailRec Record;
    };

    // Opens the file if it is there; false when it is not.
    bool OpenIfThere();
    void OpenForWriting();
    void Create();
    std::vector<TPiece> Pieces(const std::string& subjectPrefix);
    // Makes the subject's pieces exactly these, in one batch of writes.
    void Replace(const std::string& subjectPrefix, const std::vector<TDetailRec>& wanted);
    // The text of a user's piece of that kind, and the piece made or removed
    // (for an empty text) with the user's other pieces left as they are.
    std::string UserPiece(const std::string& id, char kind);
    void SetUserPiece(const std::string& id, char kind, const std::string& text);
    [[noreturn]] void Fail() const;

    std::string Path_;
    std::string Model_;
    TXIsamFile File_;
};

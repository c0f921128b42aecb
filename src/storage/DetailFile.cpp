#include "storage/DetailFile.h"

#include "kfstore/KfsStatus.h"
#include "kfstore/WriteBatch.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int16_t kOpenMode = 3;
constexpr int16_t kKeyLength = 10;
constexpr int64_t kDay = 86400;
constexpr std::size_t kPieceBytes = sizeof(TDetailRec::Text) - 1;

// Pieces of an extended record.
constexpr char kEvent = TDetailFile::EventSubject;
constexpr char kCategory = TDetailFile::CategorySubject;
constexpr char kUser = TDetailFile::UserSubject;
constexpr char kHead = 'H';    // an event's end and place
constexpr char kNotes = 'N';   // a part of its notes
constexpr char kCover = 'V';   // a later week it runs into
constexpr char kColour = 'K';  // a category's colour
constexpr char kMail = 'M';    // a user's e-mail address
constexpr char kPassword = 'P';  // a user's password hash

// A letter and a text: "E" and an identifier, "S" and a stamp.
std::string Lettered(char letter, const std::string& text)
{
    std::string lettered(1, letter);
    lettered += text;
    return lettered;
}

std::string Prefix(char kind, const std::string& id)
{
    return Lettered(kind, id);
}

std::string Subject(char kind, const std::string& id, char piece, int sequence)
{
    char number[16];
    std::snprintf(number, sizeof number, "%03d", sequence);
    std::string subject = Prefix(kind, id);
    subject += piece;
    subject += number;
    return subject;
}

TDetailRec Piece(char kind, const std::string& id, char piece, int sequence)
{
    TDetailRec record;
    std::memset(&record, 0, sizeof record);
    SetField(record.Subject, Subject(kind, id, piece, sequence));
    return record;
}

int64_t MondayOf(int64_t midnight)
{
    const int64_t day = midnight / kDay;
    return (day - (day + 3) % 7) * kDay;  // 1970-01-01 was a Thursday
}

std::string DayReach(int64_t midnight)
{
    return Lettered('S', IdText(midnight));
}

std::string WeekReach(int64_t monday)
{
    return Lettered('W', IdText(monday));
}

int64_t MidnightOf(int64_t stamp)
{
    return stamp - stamp % kDay;
}

// The notes in pieces of a text field each, never splitting a character.
std::vector<std::string> NotePieces(const QString& notes)
{
    std::string bytes = EncodeText(notes, TDetailFile::kMaxNotesBytes + 1);
    std::vector<std::string> pieces;
    while (!bytes.empty()) {
        char field[kPieceBytes + 1];
        SetField(field, bytes);
        const std::size_t taken = std::strlen(field);
        if (taken == 0)
            break;
        pieces.emplace_back(field, taken);
        bytes.erase(0, taken);
    }
    return pieces;
}

}  // namespace

void TDetailFile::Attach(std::string path, std::string model)
{
    Close();
    Path_ = std::move(path);
    Model_ = std::move(model);
}

void TDetailFile::Close()
{
    if (File_.IsOpen())
        File_.Close();
}

[[noreturn]] void TDetailFile::Fail() const
{
    throw EOrbekoDB("Unable to use the details file " + Path_ + "\r\r" + File_.StatusText());
}

bool TDetailFile::OpenIfThere()
{
    if (File_.IsOpen())
        return true;
    if (File_.Open(Path_, kOpenMode))
        return true;
    if (File_.Status() == ksNotFound)
        return false;
    Fail();
}

bool TDetailFile::Exists()
{
    return OpenIfThere();
}

void TDetailFile::OpenForWriting()
{
    if (OpenIfThere())
        return;
    Create();
    if (!File_.Open(Path_, kOpenMode))
        Fail();
}

TXIsamFile& TDetailFile::Writable()
{
    OpenForWriting();
    return File_;
}

void TDetailFile::Create()
{
    // Made by another workstation at the same moment: opened as it is. A
    // file that is there but not ours was refused by the open before.
    if (!File_.CreateFile(Path_, kKeyLength, KeyFormat) && File_.Status() != ksNameInUse)
        Fail();
    struct stat model {};
    if (Model_.empty() || stat(Model_.c_str(), &model) != 0)
        return;
    // The account that happens to write first must not keep the file to
    // itself: it gets what the events file has. A group this account is
    // not in cannot be given; the folder's own rules then stand.
    chmod(Path_.c_str(), model.st_mode & 0666);
    if (chown(Path_.c_str(), static_cast<uid_t>(-1), model.st_gid) != 0)
        return;
}

std::vector<TDetailFile::TPiece> TDetailFile::Pieces(const std::string& subjectPrefix)
{
    std::vector<TPiece> pieces;
    if (!OpenIfThere())
        return pieces;
    TPiece piece;
    TKeyWalk walk = TKeyWalk::Prefix(File_, SubjectKey, subjectPrefix);
    while (walk.Next(piece.Record)) {
        piece.Key = walk.Id();
        pieces.push_back(piece);
    }
    return pieces;
}

void TDetailFile::Replace(const std::string& subjectPrefix, const std::vector<TDetailRec>& wanted)
{
    std::vector<TPiece> stored = Pieces(subjectPrefix);
    if (stored.empty() && wanted.empty())
        return;
    OpenForWriting();
    std::map<std::string, std::string> keys;  // subject -> primary key
    for (const TPiece& piece : stored)
        keys.emplace(FieldText(piece.Record.Subject), piece.Key);
    TWriteBatch batch(File_);
    for (const TDetailRec& record : wanted) {
        const auto found = keys.find(FieldText(record.Subject));
        if (found == keys.end()) {
            if (!File_.Add(record, ""))
                Fail();
            continue;
        }
        if (!File_.Rewrite(record, found->second))
            Fail();
        keys.erase(found);
    }
    for (const auto& [subject, key] : keys)
        if (!File_.Delete(key) && File_.Status() != ksNotFound)
            Fail();
    if (batch.Active() && !batch.Commit())
        Fail();
}

bool TDetailFile::Belongs(const TDetailRec& piece, const TDayEntryRec& event)
{
    const std::string owner = FieldText(event.OwnerId);
    const std::string start = FieldText(event.EntryStamp);
    return (FieldText(piece.OwnerId) == owner || FieldText(piece.PriorOwnerId) == owner)
        && (FieldText(piece.EntryStamp) == start || FieldText(piece.PriorStamp) == start);
}

std::string TDetailFile::SubjectId(const TDetailRec& piece)
{
    return FieldText(piece.Subject).substr(1, kKeyLength);
}

char TDetailFile::SubjectKind(const TDetailRec& piece)
{
    return piece.Subject[0];
}

char TDetailFile::PieceKind(const TDetailRec& piece)
{
    return piece.Subject[1 + kKeyLength];
}

std::optional<TEventDetails> TDetailFile::HeadDetails(const TDetailRec& head, const TDayEntryRec& event)
{
    if (!Belongs(head, event))
        return std::nullopt;
    TEventDetails details;
    details.EndStamp = FieldText(head.EndStamp);
    details.Place = FieldString(head.Text);
    return details;
}

TEventDetails TDetailFile::Event(const std::string& id, const TDayEntryRec& event)
{
    TEventDetails details;
    for (const TPiece& piece : Pieces(Prefix(kEvent, id))) {
        if (!Belongs(piece.Record, event))
            continue;
        if (PieceKind(piece.Record) == kHead) {
            details.EndStamp = FieldText(piece.Record.EndStamp);
            details.Place = FieldString(piece.Record.Text);
        } else if (PieceKind(piece.Record) == kNotes) {
            // The pieces come in sequence order; each is whole characters.
            details.Notes += DecodeText(FieldText(piece.Record.Text));
        }
    }
    return details;
}

void TDetailFile::WriteEvent(const std::string& id, const TDayEntryRec& event, const TEventDetails& details,
                             const TDayEntryRec* stored)
{
    std::vector<TDetailRec> wanted;
    if (!details.Empty()) {
        const int64_t start = IdValue(FieldText(event.EntryStamp));
        const int64_t end = details.EndStamp.empty() ? start : IdValue(details.EndStamp);
        if (!details.EndStamp.empty() && end < start)
            throw std::invalid_argument("The event ends before it starts");
        auto guarded = [&](char piece, int sequence) {
            TDetailRec record = Piece(kEvent, id, piece, sequence);
            std::memcpy(record.OwnerId, event.OwnerId, sizeof record.OwnerId);
            std::memcpy(record.EntryStamp, event.EntryStamp, sizeof record.EntryStamp);
            const TDayEntryRec& before = stored ? *stored : event;
            std::memcpy(record.PriorOwnerId, before.OwnerId, sizeof record.PriorOwnerId);
            std::memcpy(record.PriorStamp, before.EntryStamp, sizeof record.PriorStamp);
            SetField(record.EndStamp, details.EndStamp);
            return record;
        };
        TDetailRec head = guarded(kHead, 0);
        SetField(head.Reach, DayReach(MidnightOf(start)));
        SetFieldString(head.Text, details.Place);
        wanted.push_back(head);
        int sequence = 0;
        for (const std::string& text : NotePieces(details.Notes)) {
            TDetailRec notes = guarded(kNotes, sequence++);
            SetField(notes.Text, text);
            wanted.push_back(notes);
        }
        // The days after the first that the event runs into, a record per
        // week, so a day's read finds events that began before it.
        const int64_t firstCovered = MidnightOf(start) + kDay;
        if (end > firstCovered) {
            const int64_t lastCovered = MidnightOf(end - 1);
            sequence = 0;
            for (int64_t monday = MondayOf(firstCovered); monday <= lastCovered; monday += 7 * kDay) {
                if (sequence == kMaxCoveredWeeks)
                    throw std::invalid_argument("The event lasts too long");
                TDetailRec cover = guarded(kCover, sequence++);
                SetField(cover.Reach, WeekReach(monday));
                // The place too, so a day's read has all its views show.
                SetFieldString(cover.Text, details.Place);
                wanted.push_back(cover);
            }
        }
    }
    // The link to its series stays, guarded for the event as it will be.
    const TDayEntryRec& before = stored ? *stored : event;
    for (const TPiece& piece : Pieces(Prefix(kEvent, id))) {
        if (PieceKind(piece.Record) != LinkPiece || !Belongs(piece.Record, before))
            continue;
        TDetailRec link = piece.Record;
        std::memcpy(link.OwnerId, event.OwnerId, sizeof link.OwnerId);
        std::memcpy(link.EntryStamp, event.EntryStamp, sizeof link.EntryStamp);
        std::memcpy(link.PriorOwnerId, before.OwnerId, sizeof link.PriorOwnerId);
        std::memcpy(link.PriorStamp, before.EntryStamp, sizeof link.PriorStamp);
        wanted.push_back(link);
    }
    Replace(Prefix(kEvent, id), wanted);
}

void TDetailFile::RemoveEvent(const std::string& id)
{
    Replace(Prefix(kEvent, id), {});
}

TDetailFile::TDay TDetailFile::ReadDay(const std::string& midnight)
{
    TDay day;
    if (!OpenIfThere())
        return day;
    const int64_t today = IdValue(midnight);
    TDetailRec piece;
    TKeyWalk heads = TKeyWalk::From(File_, ReachKey, DayReach(today), DayReach(today + kDay), gcBelow);
    while (heads.Next(piece))
        if (SubjectKind(piece) == kEvent && PieceKind(piece) == kHead)
            day.Heads.emplace(SubjectId(piece), piece);
    TKeyWalk covers = TKeyWalk::Prefix(File_, ReachKey, WeekReach(MondayOf(today)));
    while (covers.Next(piece)) {
        const int64_t start = IdValue(FieldText(piece.EntryStamp));
        if (PieceKind(piece) == kCover && MidnightOf(start) < today && IdValue(FieldText(piece.EndStamp)) > today)
            day.Covering.emplace_back(SubjectId(piece), piece);
    }
    return day;
}

namespace {

std::optional<uint32_t> ColourOf(const TDetailRec& piece)
{
    const std::string text = FieldText(piece.Text);
    if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c); }))
        return std::nullopt;
    return static_cast<uint32_t>(std::stoul(text, nullptr, 16));
}

}  // namespace

std::optional<uint32_t> TDetailFile::CategoryColour(const std::string& id)
{
    for (const TPiece& piece : Pieces(Prefix(kCategory, id)))
        if (PieceKind(piece.Record) == kColour)
            return ColourOf(piece.Record);
    return std::nullopt;
}

std::unordered_map<std::string, uint32_t> TDetailFile::CategoryColours()
{
    std::unordered_map<std::string, uint32_t> colours;
    for (const TPiece& piece : Pieces(std::string(1, kCategory)))
        if (PieceKind(piece.Record) == kColour)
            if (const std::optional<uint32_t> colour = ColourOf(piece.Record))
                colours.emplace(SubjectId(piece.Record), *colour);
    return colours;
}

void TDetailFile::SetCategoryColour(const std::string& id, std::optional<uint32_t> colour)
{
    std::vector<TDetailRec> wanted;
    if (colour) {
        TDetailRec record = Piece(kCategory, id, kColour, 0);
        char text[8];
        std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(*colour & 0xFFFFFF));
        SetField(record.Text, text);
        wanted.push_back(record);
    }
    Replace(Prefix(kCategory, id), wanted);
}

void TDetailFile::RemoveCategory(const std::string& id)
{
    Replace(Prefix(kCategory, id), {});
}

std::string TDetailFile::UserPiece(const std::string& id, char kind)
{
    for (const TPiece& piece : Pieces(Prefix(kUser, id)))
        if (PieceKind(piece.Record) == kind)
            return FieldText(piece.Record.Text);
    return {};
}

void TDetailFile::SetUserPiece(const std::string& id, char kind, const std::string& text)
{
    std::vector<TDetailRec> wanted;
    for (const TPiece& piece : Pieces(Prefix(kUser, id)))
        if (PieceKind(piece.Record) != kind)
            wanted.push_back(piece.Record);
    if (!text.empty()) {
        TDetailRec record = Piece(kUser, id, kind, 0);
        SetField(record.Text, text);
        wanted.push_back(record);
    }
    Replace(Prefix(kUser, id), wanted);
}

QString TDetailFile::UserEmail(const std::string& id)
{
    return DecodeText(UserPiece(id, kMail));
}

void TDetailFile::SetUserEmail(const std::string& id, const QString& email)
{
    SetUserPiece(id, kMail, EncodeText(email, sizeof(TDetailRec::Text)));
}

std::string TDetailFile::UserPasswordHash(const std::string& id)
{
    return UserPiece(id, kPassword);
}

void TDetailFile::SetUserPasswordHash(const std::string& id, const std::string& hash)
{
    // A hash cut to the field would match no password: refused whole.
    if (hash.size() >= sizeof(TDetailRec::Text))
        throw std::invalid_argument("A password hash too long for the details file");
    SetUserPiece(id, kPassword, hash);
}

void TDetailFile::RemoveUser(const std::string& id)
{
    Replace(Prefix(kUser, id), {});
}

#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The shared records, byte for byte as they lie in the keyed files:
// little-endian integers, NUL-terminated UTF-8 texts, no gaps.
#pragma pack(push, 1)

// Rights in TUserRec::Flags.
enum TUserRight : int32_t {
    urAddEntries = 1,
    urAdminister = 2,
    urModifyOthers = 4,
    urAddForOthers = 8,
};

struct TUserRec
{
    int32_t Flags;
    char FullName[31];
    char UserName[11];
    char Password[11];
    char Abbreviation[11];
};

struct TCategoryRec
{
    char Description[31];
};

enum : int32_t { afAlarmed = 1 };

struct TAlarmRec
{
    int32_t Flags;
    char AlarmStamp[11];
    char EntryId[11];
    char UserId[11];
    char UserAlarmKey[21];
};

enum : int32_t {
    efUntimed = 1,
    efPrivate = 2,
};

constexpr int kMaxAssignees = 20;

struct TDayEntryRec
{
    int32_t Flags;
    int16_t Marker;
    char EntryStamp[11];
    char OwnerId[11];
    char CategoryId[11];
    char Description[255];
    char AssigneeIds[kMaxAssignees][11];
};

// What the four files have no field for, one record per piece, keyed by
// the record it extends. Subject is the extended record's letter ("E"
// event, "C" category, "U" user) and identifier, then the piece's letter
// and a three-digit sequence: "E0000000042H000". A piece that a day's read
// must find carries Reach ("S" and the midnight of the day its event
// starts; "W" and the Monday midnight of a later week it covers). An
// event's pieces carry its OwnerId and EntryStamp as they were written
// (and, across a change of its start, the EntryStamp before): pieces whose
// guard does not match the event are a deleted event's leftovers and are
// never shown with another that reuses its identifier. The guard also
// holds the owner and start the event had before the change that wrote the
// piece, so a change cut short between the two writes keeps its details.
struct TDetailRec
{
    int32_t Flags;
    char Subject[16];
    char Reach[12];
    char OwnerId[11];
    char EntryStamp[11];
    char PriorOwnerId[11];
    char PriorStamp[11];
    char EndStamp[11];
    char Text[255];
};

#pragma pack(pop)

static_assert(sizeof(TUserRec) == 68);
static_assert(offsetof(TUserRec, FullName) == 4);
static_assert(offsetof(TUserRec, UserName) == 35);
static_assert(offsetof(TUserRec, Password) == 46);
static_assert(offsetof(TUserRec, Abbreviation) == 57);
static_assert(sizeof(TCategoryRec) == 31);
static_assert(sizeof(TAlarmRec) == 58);
static_assert(offsetof(TAlarmRec, AlarmStamp) == 4);
static_assert(offsetof(TAlarmRec, EntryId) == 15);
static_assert(offsetof(TAlarmRec, UserId) == 26);
static_assert(offsetof(TAlarmRec, UserAlarmKey) == 37);
static_assert(sizeof(TDayEntryRec) == 514);
static_assert(offsetof(TDayEntryRec, Marker) == 4);
static_assert(offsetof(TDayEntryRec, EntryStamp) == 6);
static_assert(offsetof(TDayEntryRec, OwnerId) == 17);
static_assert(offsetof(TDayEntryRec, CategoryId) == 28);
static_assert(offsetof(TDayEntryRec, Description) == 39);
static_assert(offsetof(TDayEntryRec, AssigneeIds) == 294);
static_assert(sizeof(TDetailRec) == 342);
static_assert(offsetof(TDetailRec, Subject) == 4);
static_assert(offsetof(TDetailRec, Reach) == 20);
static_assert(offsetof(TDetailRec, Text) == 87);

// The identifier that names no record ("%10.10d" of 0).
inline const std::string kNoneId = "0000000000";

// Writes text into a fixed field of N bytes: at most N - 1 bytes of it,
// always followed by a NUL, so an overlong text is cut and never spills.
// A cut never splits a UTF-8 character.
void SetField(char* field, std::size_t width, const std::string& text);
template <std::size_t N> void SetField(char (&field)[N], const std::string& text)
{
    SetField(field, N, text);
}

// Reads a fixed field back up to its NUL, or its whole width when it has none.
std::string FieldText(const char* field, std::size_t width);
template <std::size_t N> std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

// Record text is UTF-8 on every workstation, whatever the desktop's locale:
// these two conversions are the only way between a QString and the bytes
// of a record (or of a key value searched for).

// The bytes that stand for text in a field of width bytes: UTF-8, cut at a
// character boundary to at most width - 1 bytes. Without a width, all of it.
std::string EncodeText(const QString& text, std::size_t width = std::string::npos);
// The text that bytes of a record stand for. Bytes that are no UTF-8 (a
// record written in a single-byte code page) read as Latin-1 rather than
// as replacement marks.
QString DecodeText(const std::string& bytes);

template <std::size_t N> QString FieldString(const char (&field)[N])
{
    return DecodeText(FieldText(field, N));
}
template <std::size_t N> void SetFieldString(char (&field)[N], const QString& text)
{
    SetField(field, N, EncodeText(text, N));
}

// Sets UserId and AlarmStamp and keeps UserAlarmKey, their concatenation,
// in step with them.
void SetAlarmUser(TAlarmRec& alarm, const std::string& userId);
void SetAlarmStamp(TAlarmRec& alarm, const std::string& stamp);

// A record of a file read from its bytes, which the store gives unaligned.
template <typename TRecord> TRecord RecordAt(const char* data)
{
    TRecord record;
    std::memcpy(&record, data, sizeof(record));
    return record;
}

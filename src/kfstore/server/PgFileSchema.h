#pragma once

#include "kfstore/KeyFormat.h"

#include <cstdint>
#include <string>

// How keyed files lie on a PostgreSQL server, all in the schema "orbeko":
// table kfs_files holds one row per keyed file (its name, format version,
// key format, primary key length, record size, note, record count and
// version), and each file's records are a table kfs_records_<id> of their
// own: the primary key folded (pk, which orders and identifies them), the
// key as it was given (id), the record bytes (data) and one column per
// indexed segment holding its value folded (key<N>), with an index on
// (key<N>, pk) that carries the key as given and the record. Keys are byte strings folded by the store, ASCII letters
// only, so the server orders them exactly as a folder's files do,
// whatever its locale. Every change draws a new version from the sequence
// kfs_versions and announces it on the file's channel.
class TPgFileSchema
{
public:
    static constexpr int kFormatVersion = 1;
    // The two-key advisory locks of the store: a file's open mark (shared
    // by every open handle, taken alone to remove it), and the lock that
    // makes the schema once.
    static constexpr int32_t kOpenMarks = 0x4F424B46;  // "OBKF"
    static constexpr int32_t kSchemaLock = 0x4F424B53;  // "OBKS"
    // The largest record an index entry carries: well inside the third of
    // a page that one entry may take.
    static constexpr int kMaxCoveredRecord = 2000;

    explicit TPgFileSchema(const TKeyFormat& format) : Format_(format) {}

    static std::string Table(int32_t fileId) { return "orbeko.kfs_records_" + std::to_string(fileId); }
    // "pk" for key 0, "key<N>" for the indexed segment N.
    static std::string Column(int keyNumber);
    // Makes the schema, the files table and the sequence where missing.
    static std::string CreateSharedSql();
    // The record table of file fileId with its indexes.
    std::string CreateTableSql(int32_t fileId) const;
    // $1 folded key, $2 key as given, $3 record, $4... the folded indexed
    // segments in key order.
    std::string InsertSql(int32_t fileId) const;
    // $1 folded key, $2 record, $3... the folded indexed segments.
    std::string UpdateSql(int32_t fileId) const;
    // Raises the version of file fileId (and its record count by delta) and
    // announces it, as one plain statement whose row is the new version.
    static std::string BumpSql(int32_t fileId, int delta);
    // The advisory lock (one bigint) of a record of file fileId.
    static int64_t RecordLock(int32_t fileId, std::string_view pk);

private:
    const TKeyFormat& Format_;
};

#include "kfstore/server/PgFileSchema.h"

#include "kfstore/PrimaryKey.h"
#include "kfstore/server/PgChangeCounter.h"

std::string TPgFileSchema::Column(int keyNumber)
{
    return keyNumber == 0 ? std::string("pk") : "key" + std::to_string(keyNumber);
}

std::string TPgFileSchema::CreateSharedSql()
{
    return "SELECT pg_advisory_xact_lock(" + std::to_string(kSchemaLock) + ", 0);"
           // Asked first: CREATE SCHEMA IF NOT EXISTS wants the right to
           // create schemas even where it has nothing to do, and an office's
           // roles may have rights in this schema only.
           "DO $$BEGIN IF to_regnamespace('orbeko') IS NULL THEN CREATE SCHEMA orbeko; END IF; END$$;"
           "CREATE SEQUENCE IF NOT EXISTS orbeko.kfs_versions;"
           "CREATE TABLE IF NOT EXISTS orbeko.kfs_files(id serial PRIMARY KEY, name text NOT NULL UNIQUE, "
           "format_version integer NOT NULL, key_format text NOT NULL, key_length integer NOT NULL, "
           "record_size integer NOT NULL, note bytea NOT NULL DEFAULT '', record_count bigint NOT NULL DEFAULT 0, "
           "version bigint NOT NULL DEFAULT nextval('orbeko.kfs_versions'));";
}

std::string TPgFileSchema::CreateTableSql(int32_t fileId) const
{
    const std::string table = Table(fileId);
    std::string sql = "CREATE TABLE " + table + "(pk bytea PRIMARY KEY, id bytea NOT NULL, data bytea NOT NULL";
    for (int key : Format_.IndexedKeys())
        sql += ", " + Column(key) + " bytea NOT NULL";
    sql += ");";
    // Indexes that carry the records too, as a folder's files do: a walk in
    // an index's order (a day's entries) reads one run of index pages and
    // never visits the table. Records too large for an index entry are
    // fetched from the table.
    const std::string covered = Format_.RecordSize() <= kMaxCoveredRecord ? " INCLUDE (id, data)" : "";
    for (int key : Format_.IndexedKeys())
        sql += "CREATE INDEX ON " + table + "(" + Column(key) + ", pk)" + covered + ";";
    return sql;
}

std::string TPgFileSchema::InsertSql(int32_t fileId) const
{
    std::string columns = "pk, id, data";
    std::string values = "$1, $2, $3";
    int parameter = 4;
    for (int key : Format_.IndexedKeys()) {
        columns += ", " + Column(key);
        values += ", $" + std::to_string(parameter++);
    }
    return "INSERT INTO " + Table(fileId) + "(" + columns + ") VALUES(" + values + ")";
}

std::string TPgFileSchema::UpdateSql(int32_t fileId) const
{
    // The record keeps the key as it was first given.
    std::string sql = "UPDATE " + Table(fileId) + " SET data = $2";
    int parameter = 3;
    for (int key : Format_.IndexedKeys())
        sql += ", " + Column(key) + " = $" + std::to_string(parameter++);
    return sql + " WHERE pk = $1";
}

std::string TPgFileSchema::BumpSql(int32_t fileId, int delta)
{
    const std::string id = std::to_string(fileId);
    return "WITH v AS (UPDATE orbeko.kfs_files SET version = nextval('orbeko.kfs_versions'), "
           "record_count = record_count + " + std::to_string(delta) + " WHERE id = " + id +
           " RETURNING version) SELECT version, pg_notify('" + TPgChangeCounter::Channel(fileId) +
           "', version::text) FROM v;";
}

int64_t TPgFileSchema::RecordLock(int32_t fileId, std::string_view pk)
{
    // The file in the top 16 bits; below them the record as its lock file
    // would place it: a number as itself, a text by its hash, which keys
    // differing in case share. Keys that fall alike refuse each other.
    constexpr int64_t kLow = (int64_t{1} << 47) - 1;
    const int64_t offset = PrimaryKey::LockSlot(pk);
    const int64_t record = offset <= kLow ? offset : (int64_t{1} << 47) | (offset & kLow);
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint16_t>(fileId)) << 48) |
                                static_cast<uint64_t>(record));
}

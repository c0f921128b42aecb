#pragma once

#include "kfstore/KeyFormat.h"

#include <cstdint>
#include <string>

// How a keyed file lies in its SQLite database. Table kfs_file holds one
// row describing the file (format version, key format, primary key length,
// record size, note); table kfs_records holds the records, keyed by their
// primary key, each with its record bytes and one column per indexed
// segment, and an index per segment on (value, primary key). The indexes
// carry the record bytes too, so a walk in an index's order (a day's
// entries) reads one run of index pages and never looks up the table.
// Every key column compares with NOCASE, the store's key order. The
// header's application id marks the database as a keyed file.
class TFileSchema
{
public:
    static constexpr int32_t kApplicationId = 0x4F424B46;  // "OBKF"
    static constexpr int kFormatVersion = 1;
    static constexpr int kMaxKeyLength = 255;

    explicit TFileSchema(const TKeyFormat& format) : Format_(format) {}

    // "pk" for key 0, "key<N>" for the indexed segment N.
    static std::string Column(int keyNumber);

    // Makes a new, empty keyed file at path: built under a temporary name
    // in the same folder and linked into place only when complete, so no
    // other workstation ever opens half a file, and two that create the same
    // file at once cannot both succeed. Its permissions are what the
    // process's umask allows of rw-rw-rw-. Store status.
    int16_t CreateFile(const std::string& path, int keyLength) const;

    // 0 when the file at path begins as a keyed file does, 8 when it does
    // not, or the status of failing to read it. Looks at the header only,
    // through a descriptor of its own: call it only between statements, as
    // closing that descriptor drops the process's classic locks on the file.
    static int16_t CheckHeader(const std::string& path);

    // ?1 primary key, ?2 record, ?3... the indexed segments in key order.
    std::string InsertSql() const;
    std::string UpdateSql() const;

private:
    std::string CreateSql() const;

    const TKeyFormat& Format_;
};

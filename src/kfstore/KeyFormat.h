#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One segment of a key format: a field of the record (or, for R, a run of
// equal text fields). Segment N, counted from 1, is key number N.
struct TKeySegment
{
    bool Indexed = false;
    int Count = 1;    // fields in the segment; more than one only for R
    int Width = 0;    // bytes of one field
    int Offset = 0;   // of the first field in the record
};

// The parsed key format of a keyed file, e.g. "&,%,X$*11,$*255,R20$*11":
// comma-separated segments, `&` a 32-bit integer, `%` a 16-bit integer,
// `$*n` a text of n bytes, `Rk$*n` k texts of n bytes, an `X` in front
// making the segment an index. Only text segments can be indexed: key
// values are texts throughout.
class TKeyFormat
{
public:
    // Largest record the store keeps; a 16-bit size as in the file's header.
    static constexpr int kMaxRecordSize = 65535;
    // Every index holds a copy of each record, and each is a column of the
    // file's table: a handful serve any file, more is a mistake.
    static constexpr int kMaxIndexedKeys = 64;

    // Empty when the text is not a valid format or describes a record
    // larger than kMaxRecordSize or with more than kMaxIndexedKeys indexes.
    static std::optional<TKeyFormat> Parse(std::string_view text);

    const std::string& Text() const { return Text_; }
    int RecordSize() const { return RecordSize_; }
    // Key 0 (the primary key) or an indexed segment.
    bool IsKey(int keyNumber) const;
    // The indexed segments' key numbers, ascending.
    const std::vector<int>& IndexedKeys() const { return IndexedKeys_; }
    // The text of key keyNumber (an indexed segment) in a record: the
    // field's bytes up to its NUL, or its whole width when it has none.
    std::string_view KeyValue(const char* record, int keyNumber) const;

private:
    std::string Text_;
    std::vector<TKeySegment> Segments_;
    std::vector<int> IndexedKeys_;
    int RecordSize_ = 0;
};

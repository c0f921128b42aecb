#include "kfstore/KeyFormat.h"

#include <cstdint>
#include <cstring>

namespace {

// Reads a decimal count of 1..TKeyFormat::kMaxRecordSize at pos.
std::optional<int> ReadCount(std::string_view text, std::size_t& pos)
{
    int value = 0;
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        if (value > TKeyFormat::kMaxRecordSize)
            return std::nullopt;
        ++pos;
    }
    if (pos == start || value == 0)
        return std::nullopt;
    return value;
}

std::optional<TKeySegment> ParseSegment(std::string_view text)
{
    TKeySegment segment;
    std::size_t pos = 0;
    if (pos < text.size() && text[pos] == 'X') {
        segment.Indexed = true;
        ++pos;
    }
    if (pos < text.size() && text[pos] == 'R') {
        ++pos;
        const auto count = ReadCount(text, pos);
        if (!count || segment.Indexed)
            return std::nullopt;
        segment.Count = *count;
    }
    const std::string_view rest = text.substr(pos);
    if (rest == "&" || rest == "%") {
        if (segment.Indexed || segment.Count != 1)
            return std::nullopt;
        segment.Width = rest == "&" ? 4 : 2;
        return segment;
    }
    if (rest.substr(0, 2) != "$*")
        return std::nullopt;
    pos += 2;
    const auto width = ReadCount(text, pos);
    if (!width || pos != text.size())
        return std::nullopt;
    segment.Width = *width;
    return segment;
}

}  // namespace

std::optional<TKeyFormat> TKeyFormat::Parse(std::string_view text)
{
    TKeyFormat format;
    format.Text_ = std::string(text);
    // In 64 bits: a count times a width alone can pass 2^31.
    int64_t size = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view part = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
        auto segment = ParseSegment(part);
        if (!segment)
            return std::nullopt;
        segment->Offset = static_cast<int>(size);
        size += int64_t{segment->Count} * segment->Width;
        if (size > kMaxRecordSize)
            return std::nullopt;
        format.Segments_.push_back(*segment);
        if (segment->Indexed)
            format.IndexedKeys_.push_back(static_cast<int>(format.Segments_.size()));
        if (format.IndexedKeys_.size() > static_cast<std::size_t>(kMaxIndexedKeys))
            return std::nullopt;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    format.RecordSize_ = static_cast<int>(size);
    return format;
}

bool TKeyFormat::IsKey(int keyNumber) const
{
    return keyNumber == 0
        || (keyNumber > 0 && keyNumber <= static_cast<int>(Segments_.size()) && Segments_[keyNumber - 1].Indexed);
}

std::string_view TKeyFormat::KeyValue(const char* record, int keyNumber) const
{
    const TKeySegment& segment = Segments_[keyNumber - 1];
    const char* field = record + segment.Offset;
    const void* nul = std::memchr(field, 0, segment.Width);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field)
                                   : static_cast<std::size_t>(segment.Width);
    return {field, length};
}

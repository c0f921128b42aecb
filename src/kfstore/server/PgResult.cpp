#include "kfstore/server/PgResult.h"

#include <cstdlib>

int64_t TPgResult::Changed() const
{
    const char* count = PQcmdTuples(Result_);
    return count && *count ? std::strtoll(count, nullptr, 10) : 0;
}

int64_t TPgResult::Int(int row, int column) const
{
    const char* text = PQgetvalue(Result_, row, column);
    if (PQfformat(Result_, column) == 0)
        return std::strtoll(text, nullptr, 10);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (PQgetlength(Result_, row, column) != 8)
        return 0;
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | bytes[i];
    return static_cast<int64_t>(value);
}

std::string_view TPgResult::State() const
{
    const char* state = Result_ ? PQresultErrorField(Result_, PG_DIAG_SQLSTATE) : nullptr;
    return state ? std::string_view(state) : std::string_view();
}

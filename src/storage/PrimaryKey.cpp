#include "storage/PrimaryKey.h"

#include "storage/KfsStatus.h"

namespace PrimaryKey {

namespace {

constexpr std::size_t kMaxCountedDigits = 18;

}  // namespace

int16_t Check(std::string_view pk, int keyLength)
{
    if (pk.empty() || pk.size() > static_cast<std::size_t>(keyLength))
        return ksBadParameter;
    return pk.find('\0') == std::string_view::npos ? ksOk : ksIllegalKey;
}

std::optional<int64_t> CountedValue(std::string_view pk)
{
    if (pk.empty() || pk.size() > kMaxCountedDigits)
        return std::nullopt;
    int64_t value = 0;
    for (char c : pk) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string Padded(int64_t value, int keyLength)
{
    const std::string digits = std::to_string(value);
    if (digits.size() > static_cast<std::size_t>(keyLength))
        return {};
    return std::string(static_cast<std::size_t>(keyLength) - digits.size(), '0') + digits;
}

}  // namespace PrimaryKey

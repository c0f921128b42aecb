#include "kfstore/PrimaryKey.h"

#include "kfstore/KfsStatus.h"

namespace PrimaryKey {

namespace {

constexpr std::size_t kMaxCountedDigits = 18;
constexpr uint64_t kHashMask = (uint64_t{1} << 60) - 1;

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

bool Counted(std::string_view pk, int keyLength)
{
    return pk.size() == static_cast<std::size_t>(keyLength) && pk.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string DigitsText(int keyLength)
{
    static const char* const words[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"};
    return (keyLength >= 0 && keyLength <= 10 ? std::string(words[keyLength]) : std::to_string(keyLength)) + " digits";
}

int64_t LockSlot(std::string_view pk)
{
    if (const std::optional<int64_t> value = CountedValue(pk))
        return *value;
    // FNV-1a over the upper-cased text.
    uint64_t hash = 14695981039346656037ull;
    for (char c : pk) {
        const auto u = static_cast<unsigned char>(c);
        hash ^= u >= 'a' && u <= 'z' ? u - ('a' - 'A') : u;
        hash *= 1099511628211ull;
    }
    return kTextLockSlots + static_cast<int64_t>(hash & kHashMask);
}

}  // namespace PrimaryKey

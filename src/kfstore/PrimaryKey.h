#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Primary keys as every home of the store takes them.
namespace PrimaryKey {

// 0 for a key a file of this key length can hold; 7 when it is empty or
// too long, 6 when it holds a NUL (texts end there everywhere else, so such
// a key could never be named again).
int16_t Check(std::string_view pk, int keyLength);
// The number a key of digits stands for (at most 18 of them, so the next
// one is still a number); empty for any other key.
std::optional<int64_t> CountedValue(std::string_view pk);
// Where both homes lock a record: a key of 1 to 18 digits at its numeric
// value (the primary keys of this system are 10-digit numbers), any other
// key at kTextLockSlots plus a 60-bit hash of its upper-cased text, so keys
// that match regardless of case share a lock; two distinct text keys that
// happen to hash alike refuse each other's lock, never share one.
constexpr int64_t kTextLockSlots = int64_t{1} << 61;
int64_t LockSlot(std::string_view pk);
// Whether pk is keyLength decimal digits, as counted keys are.
bool Counted(std::string_view pk, int keyLength);
// "ten digits" and the like, for messages about such keys.
std::string DigitsText(int keyLength);
// value zero-padded to keyLength; empty when it needs more digits.
std::string Padded(int64_t value, int keyLength);

}  // namespace PrimaryKey

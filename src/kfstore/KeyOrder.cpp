#include "kfstore/KeyOrder.h"

#include <algorithm>

namespace {

unsigned char Fold(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

int CompareFolded(std::string_view a, std::string_view b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const unsigned char x = Fold(a[i]);
        const unsigned char y = Fold(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace

int CompareKeys(std::string_view a, std::string_view b)
{
    const int c = CompareFolded(a, b, std::min(a.size(), b.size()));
    if (c != 0)
        return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool KeyStartsWith(std::string_view key, std::string_view prefix)
{
    return key.size() >= prefix.size() && CompareFolded(key, prefix, prefix.size()) == 0;
}

std::string FoldedKey(std::string_view key)
{
    std::string folded(key);
    for (char& c : folded)
        c = static_cast<char>(Fold(c));
    return folded;
}

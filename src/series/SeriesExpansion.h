#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The starts a rule gives, as wall-clock stamps: the rule runs on floating
// time, so a 09:00 meeting stays at 09:00 across summer-time changes.
// libical's iterator does the counting; nothing here reads the rule.
class TSeriesExpansion
{
public:
    // More than this many starts in one expansion means a rule gone wild
    // (every day for eighteen months is 548): the expansion stops there.
    static constexpr std::size_t kMaxStarts = 2000;

    struct TStarts
    {
        std::vector<int64_t> Stamps;
        // Whether the rule goes on beyond what was given (past the end
        // asked for or the bound), so the series has more to make later.
        bool More = false;
    };

    // The starts from first up to and including last, of the rule that
    // begins at start. A rule libical cannot read gives none.
    static TStarts Between(const std::string& rrule, int64_t start, int64_t first, int64_t last,
                           std::size_t bound = kMaxStarts);
    // Whether start is one that the rule gives.
    static bool Gives(const std::string& rrule, int64_t start, int64_t stamp);
};

#include "series/SeriesExpansion.h"

#include "storage/ReferenceRules.h"

#include <libical/ical.h>

#include <memory>

namespace {

struct TFreeIterator
{
    void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};

// A stamp counts wall-clock seconds as if local time were UTC, which is
// what libical does with a floating time.
icaltimetype Floating(int64_t stamp)
{
    return icaltime_from_timet_with_zone(static_cast<time_t>(stamp), 0, nullptr);
}

int64_t StampOf(const icaltimetype& time)
{
    return static_cast<int64_t>(icaltime_as_timet(time));
}

// The database check tells an occurrence outside its rule by this expansion.
[[maybe_unused]] const bool kRuleCheck = [] {
    TReferenceRules::RuleGives() = &TSeriesExpansion::Gives;
    return true;
}();

}  // namespace

TSeriesExpansion::TStarts TSeriesExpansion::Between(const std::string& rrule, int64_t start, int64_t first,
                                                    int64_t last, std::size_t bound)
{
    TStarts starts;
    const icalrecurrencetype recur = icalrecurrencetype_from_string(rrule.c_str());
    icalerror_clear_errno();
    if (recur.freq == ICAL_NO_RECURRENCE)
        return starts;
    const std::unique_ptr<icalrecur_iterator, TFreeIterator> iterator(icalrecur_iterator_new(recur, Floating(start)));
    icalerror_clear_errno();
    if (!iterator)
        return starts;
    for (icaltimetype next = icalrecur_iterator_next(iterator.get()); !icaltime_is_null_time(next);
         next = icalrecur_iterator_next(iterator.get())) {
        const int64_t stamp = StampOf(next);
        if (stamp > last || starts.Stamps.size() == bound) {
            starts.More = true;
            break;
        }
        if (stamp >= first)
            starts.Stamps.push_back(stamp);
    }
    return starts;
}

bool TSeriesExpansion::Gives(const std::string& rrule, int64_t start, int64_t stamp)
{
    const TStarts starts = Between(rrule, start, stamp, stamp, 1);
    return !starts.Stamps.empty() && starts.Stamps.front() == stamp;
}

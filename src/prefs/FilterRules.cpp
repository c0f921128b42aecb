#include "prefs/FilterRules.h"

#include "prefs/Session.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// The slots are read where they lie, up to their NUL: every entry shown
// passes here, and a text made of each would cost more than the test.
template <class TPredicate> bool AnyAssignee(const TDayEntryRec& entry, TPredicate predicate)
{
    return std::any_of(std::begin(entry.AssigneeIds), std::end(entry.AssigneeIds), [&](const auto& slot) {
        return predicate(std::string_view(slot, strnlen(slot, sizeof slot)));
    });
}

bool IsAssignee(const TDayEntryRec& entry, std::string_view user)
{
    return AnyAssignee(entry, [&](std::string_view assignee) { return assignee == user; });
}

}  // namespace

void TFilterRules::AddUser(const std::string& user)
{
    const auto at = std::lower_bound(Users_.begin(), Users_.end(), user);
    if (at != Users_.end() && *at == user)
        throw EFilterRules("String list does not allow duplicates");
    Users_.insert(at, user);
}

bool TFilterRules::HasUser(std::string_view user) const
{
    return std::binary_search(Users_.begin(), Users_.end(), user, std::less<>());
}

void TFilterRules::ClearUsers()
{
    Users_.clear();
}

bool TFilterRules::Passes(const std::string& user, const TDayEntryRec& entry) const
{
    switch (Mode) {
    case fmAllEvents:
        return true;
    case fmJustForMe:
        return IsAssignee(entry, user);
    case fmListedUsers:
        return AnyAssignee(entry, [this](std::string_view assignee) { return HasUser(assignee); });
    default:
        return false;
    }
}

bool EntryVisible(const TDayEntryRec& entry, const TFilterRules& rules, const TSession& session)
{
    if (!rules.Passes(session.UserId(), entry))
        return false;
    if ((entry.Flags & efPrivate) != 0 && !session.HasRight(urAdminister))
        return IsAssignee(entry, session.UserId());
    return true;
}

const char* TFilterRules::Caption() const
{
    switch (Mode) {
    case fmJustForMe:
        return "Orbeko - Filter On Me";
    case fmListedUsers:
        return "Orbeko - Filter On Users";
    default:
        return "Orbeko";
    }
}

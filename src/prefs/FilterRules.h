#pragma once

#include "storage/Records.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TSession;

// Adding a user identifier that the rules already list:
// "String list does not allow duplicates".
class EFilterRules : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum TFilterMode : uint8_t {
    fmAllEvents = 0,
    fmJustForMe = 1,
    fmListedUsers = 2,
};

// Which events a view or a report shows: all of them, those assigned to the
// logged-in user, or those assigned to any of a list of users. Lives in
// memory only; every run starts with all events.
class TFilterRules
{
public:
    // Any value other than the three modes lets no entry pass.
    uint8_t Mode = fmAllEvents;

    // user is a 10-digit identifier; throws EFilterRules when already listed.
    void AddUser(const std::string& user);
    bool HasUser(std::string_view user) const;
    void ClearUsers();

    // The filter alone, for the given user; the entry's owner plays no part.
    bool Passes(const std::string& user, const TDayEntryRec& entry) const;
    // The main window's caption, which names the filter of its views.
    const char* Caption() const;

private:
    std::vector<std::string> Users_;  // sorted, for binary search, with std::less<> for views
};

// The one visibility test of views, event commands and reports: the rules
// for the logged-in user, then privacy: a private entry shows to a user who
// cannot administer only when it is assigned to him, even when he owns it.
bool EntryVisible(const TDayEntryRec& entry, const TFilterRules& rules, const TSession& session);

#pragma once

#include "prefs/Session.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TOrbekoDB;
struct TDayEntryRec;

// An assignee of a listed event who is no longer in the users file:
// "Unable to locate user". The report is abandoned.
class EReport : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct TReportUser
{
    std::string Id;  // 10 digits
    QString FullName;
};

// What a report covers.
struct TReportRequest
{
    QDate StartDate;
    // Not before StartDate.
    QDate EndDate;
    // Only the events of this category (10 digits; "0000000000" for events
    // without one), headed by CategoryText; every category when empty.
    std::optional<std::string> CategoryId;
    QString CategoryText;
    // Only the events assigned to one of these users, in the order they are
    // named in the heading; every user's events when empty.
    std::vector<TReportUser> Users;
};

// Builds the text of a report, one tab-separated line per list entry: the
// heading, then the events of the range in stamp order under month
// headings, each followed by the full names of its assignees. Events the
// logged-in user may not see are left out as the views leave them out.
class TReportBuilder
{
public:
    // reader: the logged-in user, whose rights decide about private events.
    TReportBuilder(TOrbekoDB& db, TSession reader);

    // Throws EReport for a missing assignee, std::invalid_argument for an
    // end date before the start date, EStamp for a date outside 1970..2037,
    // and the file's StatusText when a read fails.
    QStringList Build(const TReportRequest& request);

    static constexpr const char* UnableToLocateUser = "Unable to locate user";

private:
    void AddHeading(const TReportRequest& request);
    void AddEntry(const TDayEntryRec& entry);
    // The full names of the entry's assignees in slot order; how many there are.
    int AssigneeNames(const TDayEntryRec& entry, QString& line);
    const QString& FullName(const std::string& id);

    TOrbekoDB& Db_;
    const TSession Reader_;

    // State of one run.
    QStringList Lines_;
    int LastMonth_ = 0;  // year * 12 + month; 0 for none
    int LastDay_ = 0;    // day of month; 0 for none
    // Each assignee is read from the users file once per report.
    std::unordered_map<std::string, QString> Names_;
};

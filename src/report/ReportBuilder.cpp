#include "report/ReportBuilder.h"

#include "prefs/FilterRules.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/Records.h"
#include "storage/Stamp.h"

#include <QDateTime>

namespace {

constexpr int64_t kLastSecondOfDay = 86399;
const QString kTab = QStringLiteral("\t");

// Stamps count seconds as if local time were UTC: their calendar parts are
// those of the UTC date-time with the same count.
QDateTime StampDateTime(int64_t seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

int64_t MidnightSeconds(const QDate& date)
{
    TStamp stamp;
    stamp.SetDateTime(QDateTime(date, QTime(0, 0)));
    return stamp.Seconds();
}

QString DateText(const QDate& date)
{
    return TStamp::FormatDateTime(QStringLiteral("ddd dd mmmm yyyy"), QDateTime(date, QTime(0, 0), Qt::UTC));
}

}  // namespace

TReportBuilder::TReportBuilder(TOrbekoDB& db, TSession reader) : Db_(db), Reader_(std::move(reader)) {}

QStringList TReportBuilder::Build(const TReportRequest& request)
{
    if (request.EndDate < request.StartDate)
        throw std::invalid_argument("The end date of a report precedes its start date");
    const std::string startKey = IdText(MidnightSeconds(request.StartDate));
    const std::string endKey = IdText(MidnightSeconds(request.EndDate) + kLastSecondOfDay);

    TFilterRules rules;
    rules.Mode = request.Users.empty() ? fmAllEvents : fmListedUsers;
    for (const TReportUser& user : request.Users)
        rules.AddUser(user.Id);

    Lines_.clear();
    LastMonth_ = 0;
    LastDay_ = 0;
    Names_.clear();
    AddHeading(request);

    TXIsamFile& file = Db_.DayEntryFile;
    TDayEntryRec entry;
    const auto offer = [&] {
        if (EntryVisible(entry, rules, Reader_) &&
            (!request.CategoryId || FieldText(entry.CategoryId) == *request.CategoryId))
            AddEntry(entry);
    };
    // A read that failed raises rather than pass for a range with fewer events.
    TKeyWalk walk = TKeyWalk::From(file, TOrbekoDB::DayEntryStampKey, startKey, endKey, gcUpTo);
    while (walk.Next(entry))
        offer();

    QStringList lines;
    lines.swap(Lines_);
    return lines;
}

void TReportBuilder::AddHeading(const TReportRequest& request)
{
    Lines_.append(QStringLiteral("Orbeko Report From ") + DateText(request.StartDate) + QStringLiteral(" To ") +
                  DateText(request.EndDate));
    Lines_.append(QString());
    Lines_.append(request.CategoryId ? QStringLiteral("Category = ") + request.CategoryText
                                     : QStringLiteral("All Categories"));
    if (request.Users.empty()) {
        Lines_.append(QStringLiteral("All Users"));
        return;
    }
    QStringList names;
    for (const TReportUser& user : request.Users)
        names.append(user.FullName);
    Lines_.append(QStringLiteral("User(s) = ") + names.join(QStringLiteral(", ")));
}

void TReportBuilder::AddEntry(const TDayEntryRec& entry)
{
    const QDateTime when = StampDateTime(IdValue(FieldText(entry.EntryStamp)));
    const QDate date = when.date();
    const int month = date.year() * 12 + date.month();
    if (month != LastMonth_) {
        Lines_.append(QString());
        Lines_.append(TStamp::FormatDateTime(QStringLiteral("mmmm yyyy"), when));
        Lines_.append(QString());
        LastMonth_ = month;
        LastDay_ = 0;
    }
    QString line = kTab;
    if (date.day() != LastDay_) {
        line += TStamp::FormatDateTime(QStringLiteral("ddd dd"), when);
        LastDay_ = date.day();
    } else {
        line += QStringLiteral("  ");
    }
    line += kTab;
    const QString time = TStamp::FormatDateTime(QStringLiteral("hh:nn"), when);
    line += time == QStringLiteral("00:00") ? QStringLiteral("Day") : time;
    line += kTab;
    line += FieldString(entry.Description);
    line += kTab;
    Lines_.append(line);

    QString assignees = QStringLiteral("\t\t\t");
    const bool named = AssigneeNames(entry, assignees) > 0;
    Lines_.append(assignees);
    if (named)
        Lines_.append(QString());
}

int TReportBuilder::AssigneeNames(const TDayEntryRec& entry, QString& line)
{
    int count = 0;
    for (const auto& slot : entry.AssigneeIds) {
        const std::string id = FieldText(slot);
        if (IdValue(id) == 0)
            continue;
        if (count++ > 0)
            line += QStringLiteral(", ");
        line += FullName(id);
    }
    return count;
}

const QString& TReportBuilder::FullName(const std::string& id)
{
    const auto known = Names_.find(id);
    if (known != Names_.end())
        return known->second;
    TUserRec user;
    if (!FindRecord(Db_.UserFile, user, TOrbekoDB::UserIdKey, id))
        throw EReport(UnableToLocateUser);
    return Names_.emplace(id, FieldString(user.FullName)).first->second;
}

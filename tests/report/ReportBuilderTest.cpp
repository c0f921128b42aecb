#include "ReportFixture.h"

#include "report/ReportBuilder.h"
#include "support/SessionWithRights.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string kAnn = "0000000001";
const std::string kBob = "0000000002";
const std::string kCarl = "0000000003";
const std::string kMeeting = "0000000001";

QDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

struct TReportCase
{
    const char* Name;
    // Adds the events; the database already holds the users and categories.
    std::function<void(TReportFixture&)> Events;
    TReportRequest Request;
    std::string Reader;
    int32_t ReaderFlags;
    std::vector<QString> Expected;
};

class ReportBuilderTest : public TReportFixture, public ::testing::WithParamInterface<TReportCase>
{
};

TReportRequest Range(QDate start, QDate end)
{
    TReportRequest request;
    request.StartDate = start;
    request.EndDate = end;
    return request;
}

TReportRequest WithCategory(TReportRequest request, const std::string& id, const QString& text)
{
    request.CategoryId = id;
    request.CategoryText = text;
    return request;
}

TReportRequest WithUsers(TReportRequest request, std::vector<TReportUser> users)
{
    request.Users = std::move(users);
    return request;
}

const TReportCase kCases[] = {
    {"OneDayFromMidnightToTheLastSecond",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 3, 4, 23, 59, 59), "Day before", {kAnn});
         t.AddEvent(At(2001, 3, 5, 23, 59, 59), "Last second", {kAnn});
         t.AddEvent(At(2001, 3, 5), "All day", {kBob}, efUntimed);
         t.AddEvent(At(2001, 3, 6), "Day after", {kAnn});
     },
     Range(QDate(2001, 3, 5), QDate(2001, 3, 5)), kAnn, urAdminister,
     {"Orbeko Report From Mon 05 March 2001 To Mon 05 March 2001", "", "All Categories", "All Users", "",
      "March 2001", "", "\tMon 05\tDay\tAll day\t", "\t\t\tBob Brown", "", "\t  \t23:59\tLast second\t",
      "\t\t\tAnn Smith", ""}},
    {"TwoEventsOnOneDayNameTheDayOnce",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 3, 5, 9, 30), "Team meeting", {kCarl, kAnn});
         t.AddEvent(At(2001, 3, 5, 14, 0), "Dentist", {kBob});
         t.AddEvent(At(2001, 3, 31, 0, 0), "Timed at midnight", {kBob});
     },
     Range(QDate(2001, 3, 5), QDate(2001, 3, 31)), kAnn, urAdminister,
     {"Orbeko Report From Mon 05 March 2001 To Sat 31 March 2001", "", "All Categories", "All Users", "",
      "March 2001", "", "\tMon 05\t09:30\tTeam meeting\t", "\t\t\tCarl Jones, Ann Smith", "",
      "\t  \t14:00\tDentist\t", "\t\t\tBob Brown", "", "\tSat 31\tDay\tTimed at midnight\t", "\t\t\tBob Brown", ""}},
    {"JanuaryOfTwoYearsGetsTwoMonthHeadings",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 1, 15, 10, 0), "New year party", {kAnn});
         t.AddEvent(At(2002, 1, 15, 10, 0), "Next new year party", {kAnn});
     },
     Range(QDate(2001, 1, 1), QDate(2002, 1, 31)), kAnn, 0,
     {"Orbeko Report From Mon 01 January 2001 To Thu 31 January 2002", "", "All Categories", "All Users", "",
      "January 2001", "", "\tMon 15\t10:00\tNew year party\t", "\t\t\tAnn Smith", "", "", "January 2002", "",
      "\tTue 15\t10:00\tNext new year party\t", "\t\t\tAnn Smith", ""}},
    {"AnEventWithoutAssigneesHasThreeTabsAndNoEmptyLine",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 3, 5, 8, 0), "Nobody's", {});
         t.AddEvent(At(2001, 3, 6, 8, 0), "Ann's", {kAnn});
     },
     Range(QDate(2001, 3, 5), QDate(2001, 3, 6)), kAnn, 0,
     {"Orbeko Report From Mon 05 March 2001 To Tue 06 March 2001", "", "All Categories", "All Users", "",
      "March 2001", "", "\tMon 05\t08:00\tNobody's\t", "\t\t\t", "\tTue 06\t08:00\tAnn's\t", "\t\t\tAnn Smith", ""}},
    {"AllUsersStillHidesOthersPrivateEventsFromANonAdministrator",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 3, 5, 8, 0), "Ann's secret", {kAnn}, efPrivate);
         t.AddEvent(At(2001, 3, 5, 9, 0), "Bob's secret", {kCarl, kBob}, efPrivate);
         t.AddEvent(At(2001, 3, 5, 10, 0), "Carl's plan", {kCarl});
     },
     Range(QDate(2001, 3, 5), QDate(2001, 3, 5)), kBob, urAddEntries,
     {"Orbeko Report From Mon 05 March 2001 To Mon 05 March 2001", "", "All Categories", "All Users", "",
      "March 2001", "", "\tMon 05\t09:00\tBob's secret\t", "\t\t\tCarl Jones, Bob Brown", "",
      "\t  \t10:00\tCarl's plan\t", "\t\t\tCarl Jones", ""}},
    {"CheckedUsersListOnlyTheirEventsAndAnAdministratorSeesPrivateOnes",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 3, 5, 8, 0), "Ann's secret", {kAnn}, efPrivate);
         t.AddEvent(At(2001, 3, 5, 9, 0), "Bob's", {kBob});
         t.AddEvent(At(2001, 3, 5, 10, 0), "Carl's", {kCarl});
     },
     WithUsers(Range(QDate(2001, 3, 5), QDate(2001, 3, 5)), {{kAnn, "Ann Smith"}, {kCarl, "Carl Jones"}}), kBob,
     urAdminister,
     {"Orbeko Report From Mon 05 March 2001 To Mon 05 March 2001", "", "All Categories",
      "User(s) = Ann Smith, Carl Jones", "", "March 2001", "", "\tMon 05\t08:00\tAnn's secret\t", "\t\t\tAnn Smith",
      "", "\t  \t10:00\tCarl's\t", "\t\t\tCarl Jones", ""}},
    {"NoneAsCategoryListsOnlyEventsWithoutOne",
     [](TReportFixture& t) {
         t.AddEvent(At(2001, 3, 5, 8, 0), "Board meeting", {kAnn}, 0, kMeeting);
         t.AddEvent(At(2001, 3, 5, 9, 0), "Uncategorised", {kAnn});
     },
     WithCategory(Range(QDate(2001, 3, 5), QDate(2001, 3, 5)), "0000000000", "<None>"), kAnn, 0,
     {"Orbeko Report From Mon 05 March 2001 To Mon 05 March 2001", "", "Category = <None>", "All Users", "",
      "March 2001", "", "\tMon 05\t09:00\tUncategorised\t", "\t\t\tAnn Smith", ""}},
};

TEST_P(ReportBuilderTest, BuildsTheExpectedLines)
{
    const TReportCase& c = GetParam();
    c.Events(*this);
    const QStringList lines = TReportBuilder(*Db, SessionWithRights(c.Reader, c.ReaderFlags)).Build(c.Request);
    const size_t common = std::min<size_t>(lines.size(), c.Expected.size());
    for (size_t i = 0; i < common; ++i)
        EXPECT_EQ(lines[i], c.Expected[i]) << "line " << i;
    EXPECT_EQ(static_cast<size_t>(lines.size()), c.Expected.size()) << lines.join("|").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportBuilderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

class ReportBuilderFailureTest : public TReportFixture
{
};

TEST_F(ReportBuilderFailureTest, AMissingAssigneeAbandonsTheReport)
{
    AddEvent(At(2001, 3, 5, 8, 0), "Ghost's", {kAnn, "0000000099"});
    TReportBuilder builder(*Db, SessionWithRights(kAnn, urAdminister));
    EXPECT_THROW(
        {
            try {
                builder.Build(Range(QDate(2001, 3, 5), QDate(2001, 3, 5)));
            } catch (const EReport& error) {
                EXPECT_STREQ(error.what(), "Unable to locate user");
                throw;
            }
        },
        EReport);
}

}  // namespace

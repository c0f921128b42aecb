#include "app/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

// A page of the help (docs/help, built in under :/help): its title, the
// pictures it shows and, where it differs from the title, the text the
// Contents link it by.
struct THelpPage
{
    const char* Page;
    const char* Title;
    std::vector<const char*> Pictures;
    const char* Contents = nullptr;
};

void PrintTo(const THelpPage& page, std::ostream* out)
{
    *out << page.Page;
}

// Every page but the Contents itself (index.html), in the Contents' order.
const THelpPage kPages[] = {
    {"office.html", "First steps for an office", {}},
    {"starting.html", "Starting Orbeko for the first time", {}},
    {"login.html", "Logging in", {}},
    {"window.html", "The main window", {}},
    {"navigating.html", "Moving through the diary", {}},
    {"views.html", "Reading the day, week and month views", {"month-view.png"}},
    {"keyboard.html", "Using Orbeko with the keyboard", {}},
    {"events.html", "Adding, changing and deleting events", {"event-editor.png"}},
    {"alarms.html", "Alarms", {"alarm-notification.png"}},
    {"options.html", "Display options", {"options.png"}},
    {"filtering.html", "Filtering the views", {"filtering.png"}},
    {"groups.html", "User groups", {}},
    {"reports.html", "Reports", {"report-viewer.png", "report-preview.png"}},
    {"ical.html", "iCalendar export and import", {"ical-menu.png", "ical-range.png"}},
    {"users.html", "Users", {"users.png"}},
    {"delete-user.html", "Deleting a user", {"delete-user-owner.png", "delete-user-run.png"}},
    {"categories.html", "Categories", {"categories.png"}},
    {"troubleshooting.html", "Troubleshooting", {"troubleshooting-alarms.png", "troubleshooting-events.png"}},
    {"database.html", "Moving to another database folder", {}},
    {"administration.html",
     "Orbeko Help: Looking after the database folder",
     {},
     "Looking after the database folder (orbeko-admin)"},
};

QString Text(const QString& page)
{
    QFile file(QStringLiteral(":/help/") + page);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
    return QString::fromUtf8(file.readAll());
}

// The values of one attribute (href, src) throughout a page.
std::vector<std::string> Attributes(const QString& text, const char* attribute)
{
    std::vector<std::string> values;
    const QRegularExpression pattern(QStringLiteral("%1=\"([^\"]*)\"").arg(QLatin1String(attribute)));
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
        values.push_back(match.captured(1).toStdString());
    return values;
}

std::set<std::string> Names(const QStringList& files)
{
    std::set<std::string> names;
    for (const QString& file : files)
        names.insert(file.toStdString());
    return names;
}

// Every link of the page leads to a page of the help, and every picture it
// shows is one; pages keep no links out of the program.
void ExpectLinksAndPicturesResolve(const QString& page)
{
    const QString text = Text(page);
    for (const std::string& link : Attributes(text, "href"))
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + QString::fromStdString(link.substr(0, link.find('#')))))
            << page.toStdString() << " links " << link;
    for (const std::string& picture : Attributes(text, "src"))
        EXPECT_FALSE(QImage(QStringLiteral(":/help/") + QString::fromStdString(picture)).isNull())
            << page.toStdString() << " shows " << picture;
}

class HelpPageTest : public ::testing::TestWithParam<THelpPage>
{
};

TEST_P(HelpPageTest, IsListedInTheContents)
{
    const THelpPage& page = GetParam();
    const QString link =
        QStringLiteral("<a href=\"%1\">%2</a>").arg(page.Page, page.Contents ? page.Contents : page.Title);
    EXPECT_TRUE(Text(THelpWindow::Contents).contains(link)) << link.toStdString();
}

TEST_P(HelpPageTest, OpensUnderItsTitle)
{
    THelpWindow help;
    help.ShowTopic(GetParam().Page);
    EXPECT_EQ(help.CurrentPage().toStdString(), GetParam().Page);
    EXPECT_EQ(help.windowTitle().toStdString(), GetParam().Title);
}

TEST_P(HelpPageTest, ShowsItsPicturesAndEveryLinkResolves)
{
    const THelpPage& page = GetParam();
    EXPECT_EQ(Attributes(Text(page.Page), "src"), std::vector<std::string>(page.Pictures.begin(), page.Pictures.end()));
    ExpectLinksAndPicturesResolve(page.Page);
}

INSTANTIATE_TEST_SUITE_P(Pages, HelpPageTest, ::testing::ValuesIn(kPages), [](const auto& info) {
    return QString::fromLatin1(info.param.Page)
        .section(QLatin1Char('.'), 0, 0)
        .replace(QLatin1Char('-'), QLatin1Char('_'))
        .toStdString();
});

// The table above holds every page: the Contents link exactly its pages,
// the program carries every file of docs/help, and every picture is shown
// on a page.
TEST(HelpContentsTest, TheTableHoldsEveryPageAndEveryPictureIsShown)
{
    std::set<std::string> pages;
    std::set<std::string> files{THelpWindow::Contents};
    for (const THelpPage& page : kPages) {
        pages.insert(page.Page);
        files.insert(page.Page);
        files.insert(page.Pictures.begin(), page.Pictures.end());
    }
    const std::vector<std::string> linked = Attributes(Text(THelpWindow::Contents), "href");
    EXPECT_EQ(std::set<std::string>(linked.begin(), linked.end()), pages);
    ExpectLinksAndPicturesResolve(THelpWindow::Contents);

    const std::set<std::string> built = Names(QDir(QStringLiteral(":/help")).entryList(QDir::Files));
    EXPECT_EQ(built, Names(QDir(QStringLiteral(ORBEKO_HELP_SOURCE)).entryList(QDir::Files)));
    EXPECT_EQ(built, files);
}

}  // namespace

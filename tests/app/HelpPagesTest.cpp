#include "app/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

// A page of the help (docs/help, built in under :/help): its title, the
// text the Contents link it by, and the pictures it shows.
struct THelpPage
{
    const char* Page;
    const char* Title;
    const char* Contents;
    std::vector<const char*> Pictures;
};

void PrintTo(const THelpPage& page, std::ostream* out)
{
    *out << page.Page;
}

// Every page but the Contents itself (index.html), in the Contents' order.
const THelpPage kPages[] = {
    {"office.html", "First steps for an office", "First steps for an office", {}},
    {"starting.html", "Starting Orbeko for the first time", "Starting Orbeko for the first time", {}},
    {"login.html", "Logging in", "Logging in", {}},
    {"window.html", "The main window", "The main window", {}},
    {"navigating.html", "Moving through the diary", "Moving through the diary", {}},
    {"views.html", "Reading the day and week views", "Reading the day and week views", {}},
    {"events.html", "Adding, changing and deleting events", "Adding, changing and deleting events",
     {"event-editor.png"}},
    {"alarms.html", "Alarms", "Alarms", {}},
    {"options.html", "Display options", "Display options", {"options.png"}},
    {"filtering.html", "Filtering the views", "Filtering the views", {"filtering.png"}},
    {"groups.html", "User groups", "User groups", {}},
    {"reports.html", "Reports", "Reports", {"report-viewer.png", "report-preview.png"}},
    {"ical.html", "iCalendar export and import", "iCalendar export and import", {"ical-menu.png", "ical-range.png"}},
    {"users.html", "Users", "Users", {"users.png"}},
    {"delete-user.html", "Deleting a user", "Deleting a user", {"delete-user-owner.png", "delete-user-run.png"}},
    {"categories.html", "Categories", "Categories", {"categories.png"}},
    {"troubleshooting.html", "Troubleshooting", "Troubleshooting",
     {"troubleshooting-alarms.png", "troubleshooting-events.png"}},
    {"database.html", "Moving to another database folder", "Moving to another database folder", {}},
    {"administration.html", "Orbeko Help: Looking after the database folder",
     "Looking after the database folder (orbeko-admin)", {}},
};

QString Text(const QString& page)
{
    QFile file(QStringLiteral(":/help/") + page);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
    return QString::fromUtf8(file.readAll());
}

// The values of one attribute (href, src) throughout a page.
QStringList Attributes(const QString& text, const char* attribute)
{
    QStringList values;
    const QRegularExpression pattern(QStringLiteral("%1=\"([^\"]*)\"").arg(QLatin1String(attribute)));
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
        values << match.captured(1);
    return values;
}

// Every link of the page leads to a page of the help, and every picture it
// shows is one; pages keep no links out of the program.
void ExpectLinksAndPicturesResolve(const QString& page)
{
    const QString text = Text(page);
    for (const QString& link : Attributes(text, "href"))
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + link.section(QLatin1Char('#'), 0, 0)))
            << page.toStdString() << " links " << link.toStdString();
    for (const QString& picture : Attributes(text, "src"))
        EXPECT_FALSE(QImage(QStringLiteral(":/help/") + picture).isNull())
            << page.toStdString() << " shows " << picture.toStdString();
}

class HelpPageTest : public ::testing::TestWithParam<THelpPage>
{
};

TEST_P(HelpPageTest, IsListedInTheContents)
{
    const THelpPage& page = GetParam();
    EXPECT_TRUE(Text(THelpWindow::Contents)
                    .contains(QStringLiteral("<a href=\"%1\">%2</a>").arg(page.Page, page.Contents)));
}

TEST_P(HelpPageTest, OpensUnderItsTitle)
{
    THelpWindow help;
    help.ShowTopic(GetParam().Page);
    EXPECT_EQ(help.CurrentPage(), GetParam().Page);
    EXPECT_EQ(help.windowTitle(), GetParam().Title);
}

TEST_P(HelpPageTest, ShowsItsPicturesAndEveryLinkResolves)
{
    const THelpPage& page = GetParam();
    QStringList pictures;
    for (const char* picture : page.Pictures)
        pictures << picture;
    EXPECT_EQ(Attributes(Text(page.Page), "src"), pictures);
    ExpectLinksAndPicturesResolve(page.Page);
}

INSTANTIATE_TEST_SUITE_P(Pages, HelpPageTest, ::testing::ValuesIn(kPages), [](const auto& info) {
    return QString::fromLatin1(info.param.Page).section(QLatin1Char('.'), 0, 0).replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
});

// The table above holds every page: the Contents link exactly its pages,
// the program carries every file of docs/help, and every picture is shown
// on a page.
TEST(HelpContentsTest, TheTableHoldsEveryPageAndEveryPictureIsShown)
{
    QSet<QString> pages;
    QSet<QString> pictures;
    for (const THelpPage& page : kPages) {
        pages << page.Page;
        for (const char* picture : page.Pictures)
            pictures << picture;
    }
    const QStringList linked = Attributes(Text(THelpWindow::Contents), "href");
    EXPECT_EQ(QSet<QString>(linked.begin(), linked.end()), pages);
    ExpectLinksAndPicturesResolve(THelpWindow::Contents);

    const QStringList built = QDir(QStringLiteral(":/help")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(built, QDir(QStringLiteral(ORBEKO_HELP_SOURCE)).entryList(QDir::Files, QDir::Name));
    EXPECT_EQ(QSet<QString>(built.begin(), built.end()),
              pages + pictures + QSet<QString>{QString::fromLatin1(THelpWindow::Contents)});
}

}  // namespace

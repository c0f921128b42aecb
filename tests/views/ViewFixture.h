#pragma once

#include "storage/Records.h"
#include "views/DayEntries.h"
#include "views/Font.h"

#include <QColor>
#include <QDateTime>
#include <QImage>

#include <map>
#include <set>
#include <string>
#include <vector>

class QWidget;
class TDayViewList;

// A day entry record as the event editor leaves it.
TDayEntryRec MakeEntry(const QDateTime& when, const std::string& description, int32_t flags = 0,
                       const std::vector<std::string>& assignees = {},
                       const std::string& categoryId = "0000000000", const std::string& ownerId = "0000000001");
std::string StampTextOf(const QDateTime& when);

// What the main window would answer from the database and its caches, with
// a count of every question asked.
class TDiaryData
{
public:
    // Entries by the midnight text of their day, in the order of addition.
    std::map<std::string, std::vector<std::pair<std::string, TDayEntryRec>>> Days;
    std::map<std::string, std::string> Users;
    std::map<std::string, std::string> Categories;
    std::set<std::string> Alarmed;
    // Details by entry identifier; an entry with an end is listed on every
    // day up to it. Categories' own colours by identifier.
    std::map<std::string, TEventDetails> Details;
    std::map<std::string, QColor> Colours;

    int DayRequests = 0;
    int NameRequests = 0;
    int CategoryRequests = 0;
    int AlarmRequests = 0;
    std::vector<QObject*> Senders;

    void Add(const std::string& id, const TDayEntryRec& entry, const TEventDetails& details = {});

    // Answers the four data events of a day view or a week view.
    template <typename TView> void Connect(TView& view)
    {
        view.OnWantDayEntries = [this](QObject* Sender, const std::string& DatePkVal, TDayEntries& DayEntries) {
            Senders.push_back(Sender);
            FillDay(DatePkVal, DayEntries);
        };
        view.OnWantUserName = [this](QObject* Sender, const std::string& Pk, std::string& Name) {
            Senders.push_back(Sender);
            UserName(Pk, Name);
        };
        view.OnWantCategoryDescription = [this](QObject* Sender, const std::string& Pk, std::string& Description) {
            Senders.push_back(Sender);
            Category(Pk, Description);
        };
        view.OnWantAlarmedFlag = [this](QObject* Sender, const std::string& Pk, bool& Alarmed) {
            Senders.push_back(Sender);
            AlarmedFlag(Pk, Alarmed);
        };
        view.OnWantCategoryColour = [this](QObject*, const std::string& Pk, QColor& Colour) {
            if (const auto found = Colours.find(Pk); found != Colours.end())
                Colour = found->second;
        };
    }
    // Answers the callbacks of a bare list.
    void Connect(TDayViewList& list);

    void FillDay(const std::string& midnight, TDayEntries& entries);
    void UserName(const std::string& id, std::string& name);
    void Category(const std::string& id, std::string& description);
    void AlarmedFlag(const std::string& id, bool& alarmed);
};

// The widget as it would appear on screen, laid out and painted offscreen.
QImage Snapshot(QWidget& widget);

// Whether `text`, drawn in `font` with its top left at `at` on `background`,
// is what the shot shows there, pixel for pixel.
bool TextAt(const QImage& shot, QPoint at, const TFont& font, const QString& text, const QColor& background);
// Whether the glyph, drawn transparently at `at` on `background`, is there.
bool GlyphAt(const QImage& shot, QPoint at, const QImage& glyph, const QColor& background);
// Whether every pixel of `area` has the colour `background`.
bool Blank(const QImage& shot, const QRect& area, const QColor& background);

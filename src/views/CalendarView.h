#pragma once

#include "views/DayEntries.h"
#include "views/DayViewList.h"
#include "views/Font.h"
#include "views/Panel.h"

#include <QColor>
#include <QDate>
#include <QDateTime>

#include <functional>
#include <string>
#include <utility>

// The data events of the calendar views. Sender is the view that asks.
using TWantDayEntriesEvent =
    std::function<void(QObject* Sender, const std::string& DatePkVal, TDayEntries& DayEntries)>;
using TWantUserNameEvent = std::function<void(QObject* Sender, const std::string& Pk, std::string& Name)>;
using TWantAlarmedFlagEvent = std::function<void(QObject* Sender, const std::string& Pk, bool& Alarmed)>;
using TWantRepeatedFlagEvent = std::function<void(QObject* Sender, const std::string& Pk, bool& Repeated)>;
using TWantCategoryDescriptionEvent =
    std::function<void(QObject* Sender, const std::string& Pk, std::string& Description)>;
using TWantCategoryColourEvent = std::function<void(QObject* Sender, const std::string& Pk, QColor& Colour)>;
using TReceivedFocusEvent = std::function<void(QObject* Sender)>;
// Whether the user may drag entry Pk; Allowed comes in false.
using TWantMayMoveEntryEvent = std::function<void(QObject* Sender, const std::string& Pk, bool& Allowed)>;
// A drag asks to move entry Pk to start at NewStart and end at NewEnd
// (empty: no end of its own); Moved comes in false and is set when done.
using TWantMoveEntryEvent = std::function<void(QObject* Sender, const std::string& Pk, const std::string& NewStart,
                                               const std::string& NewEnd, bool& Moved)>;

// How a view shows its events: what the workstation settings and the
// options dialog change.
struct TDisplayOptions
{
    TFont TimeFont;
    TFont PrivateFont;
    TFont CategoryFont;
    TFont AssigneeFont;
    TFont DescriptionFont;
    TDisplayMode DisplayMode = dmSingle;
    bool ShowCategories = true;
    bool ShowAlarmGlyphs = true;
    bool ShowPrivateGlyphs = true;

    bool operator==(const TDisplayOptions& other) const = default;
};

// What the main window asks of the calendar view it shows, whichever that
// is: a day, a week. The view never reads the database; its owner answers
// the data events.
class TCalendarView : public TPanel
{
    Q_OBJECT

public:
    using TPanel::TPanel;
    ~TCalendarView() override;

    TWantUserNameEvent OnWantUserName;
    TWantDayEntriesEvent OnWantDayEntries;
    TWantAlarmedFlagEvent OnWantAlarmedFlag;
    // Unanswered, no entry shows the repeat mark.
    TWantRepeatedFlagEvent OnWantRepeatedFlag;
    TWantCategoryDescriptionEvent OnWantCategoryDescription;
    // Unanswered, or left invalid, a category is drawn in the category font's colour.
    TWantCategoryColourEvent OnWantCategoryColour;
    // Unanswered, no entry can be dragged.
    TWantMayMoveEntryEvent OnWantMayMoveEntry;
    TWantMoveEntryEvent OnWantMoveEntry;

    // Shows the day, or the week, that holds value, at value's time of day.
    // A date the stamps refuse throws EStamp.
    virtual void ShowDate(const QDateTime& value) = 0;
    // Moves by whole pages, a day or a week each; back when negative.
    virtual void Step(int pages) = 0;
    // The day and time the user works at: where a new event starts, and
    // where another view takes over.
    virtual QDateTime CurrentDateTime() const = 0;
    // The same as a 10-digit stamp text.
    virtual std::string CurrentDateText() const = 0;
    // The first and last day that a command over a range of dates offers.
    virtual std::pair<QDate, QDate> DefaultRange() const = 0;

    // While no entry is selected: "0000000000" for the two identifiers and
    // an empty description.
    virtual std::string SelectedId() const = 0;
    virtual std::string SelectedOwnerId() const = 0;
    virtual std::string SelectedDescription() const = 0;

    // Asks for the shown days' entries again and repaints.
    virtual void Reload() = 0;
    // Reload, keeping the selected entry and the scroll position: for
    // changes the user did not make here.
    virtual void Refresh() = 0;

    virtual TDisplayOptions DisplayOptions() const = 0;
    virtual void SetDisplayOptions(const TDisplayOptions& options) = 0;
};

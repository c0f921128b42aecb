#pragma once

#include "storage/EventDetails.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "views/Font.h"
#include "views/Panel.h"

#include <QImage>
#include <QDate>
#include <QListWidget>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class TDayEntries;

enum TDisplayMode { dmSingle, dmDouble };

// The owner-drawn list of a day view: row i is drawn from entry i of the
// day's entries, which the list shares but does not own. Names, category
// texts and alarm marks are asked for while a row is drawn; nothing is
// cached between repaints.
class TDayViewList : public QListWidget
{
    Q_OBJECT

public:
    using TUserNameCallback = std::function<void(const std::string& Pk, std::string& Name)>;
    using TReceivedFocusCallback = std::function<void()>;
    using TAlarmedFlagCallback = std::function<void(const std::string& Pk, bool& Alarmed)>;
    using TRepeatedFlagCallback = std::function<void(const std::string& Pk, bool& Repeated)>;
    using TCategoryCallback = std::function<void(const std::string& Pk, std::string& Description)>;
    using TCategoryColourCallback = std::function<void(const std::string& Pk, QColor& Colour)>;

    // Height of every row in dmSingle; room for the assignee line in dmDouble.
    static constexpr int LineHeight = 16;
    // Width of the time column, where the texts of a row begin, while no
    // entry of the day shows a span of time.
    static constexpr int TimeColumn = 35;

    // A drag moves an entry by 5 minutes for every 4 pixels up or down;
    // rows are not a scale of time, so the distance is, and the time it
    // comes to shows by the pointer. A press on a row's last pixels drags
    // its end instead.
    static constexpr int DragPixels = 4;
    static constexpr int DragMinutes = 5;
    static constexpr int EndHandle = 4;

    // Whether the entry of row index may be dragged; unanswered, none may.
    using TMayDragCallback = std::function<bool(int index)>;
    // The entry of row index is to start at newStart and end at newEnd
    // (empty: no end of its own); true when it was done, else it stays.
    using TDropCallback =
        std::function<bool(int index, const std::string& newStart, const std::string& newEnd)>;

    explicit TDayViewList(QWidget* parent = nullptr);

    // The midnight stamp of the day under a point on the screen, when it
    // is another day than this list's (a week's other day): a drop there
    // moves the entry to that day at its own time. 0 for none.
    using TDayAtCallback = std::function<int64_t(const QPoint& global)>;

    TMayDragCallback MayDragCallback;
    TDayAtCallback DayAtCallback;
    TDropCallback DropCallback;
    // While a drag is under way: the time the entry would take, as shown.
    bool Dragging() const { return Drag_.Active; }
    QString DragText() const;

    TUserNameCallback UserNameCallback;
    TReceivedFocusCallback ReceivedFocusCallback;
    TAlarmedFlagCallback AlarmedFlagCallback;
    // Whether an entry is an occurrence of a repeating event.
    TRepeatedFlagCallback RepeatedFlagCallback;
    TCategoryCallback CategoryCallback;
    // A category's own colour; left invalid, the category font's is drawn.
    TCategoryColourCallback CategoryColourCallback;

    void SetEntries(const TDayEntries* entries) { Entries_ = entries; }
    // The time column's width for the entries as they are now.
    int TimeWidth() const;
    // What the time column shows for an entry on the entries' day:
    // "10:00", "10:00–11:30", "Day", or the part of a span on this day.
    static QString TimeText(const TDayEntryRec& entry, const TEventDetails& details, const std::string& day);
    // The names of an entry's assignees, as names gives them, comma-separated.
    static QString AssigneeText(const TDayEntryRec& entry, const TUserNameCallback& names);
    static QStringList AssigneeNames(const TDayEntryRec& entry, const TUserNameCallback& names);
    // What a screen reader says for an entry: what its row shows, in words.
    // "10:00–11:30 Team meeting, AK and CM, category Meeting, private, alarm".
    struct TSpokenMarks
    {
        QString Category;
        bool Alarmed = false;
        bool Repeated = false;
    };
    static QString SpokenEntry(const TDayEntryRec& entry, const TEventDetails& details, const std::string& day,
                               const QStringList& assignees, const TSpokenMarks& marks);
    // A day as its list is announced: "Thursday 10 December 2026, 3 events".
    static QString SpokenDay(const QDate& day, int entries);
    // Row `index` in words, with the names, category and marks the row
    // shows asked for as when it is drawn.
    QString SpokenRow(int index) const;

    // Each setter copies the given font and repaints, changed or not.
    const TFont& TimeFont() const { return TimeFont_; }
    void SetTimeFont(const TFont& font);
    const TFont& PrivateFont() const { return PrivateFont_; }
    void SetPrivateFont(const TFont& font);
    const TFont& AssigneeFont() const { return AssigneeFont_; }
    void SetAssigneeFont(const TFont& font);
    const TFont& CategoryFont() const { return CategoryFont_; }
    void SetCategoryFont(const TFont& font);
    const TFont& DescriptionFont() const { return DescriptionFont_; }
    void SetDescriptionFont(const TFont& font);

    TDisplayMode DisplayMode() const { return DisplayMode_; }
    void SetDisplayMode(TDisplayMode mode);
    bool ShowCategories() const { return ShowCategories_; }
    void SetShowCategories(bool show);
    bool ShowAlarmGlyphs() const { return ShowAlarmGlyphs_; }
    void SetShowAlarmGlyphs(bool show);
    bool ShowPrivateGlyphs() const { return ShowPrivateGlyphs_; }
    void SetShowPrivateGlyphs(bool show);

    QColor ListColor() const;
    void SetListColor(const QColor& color);
    bool Ctl3D() const { return Ctl3D_; }
    void SetCtl3D(bool ctl3D);
    TBorderStyle BorderStyle() const { return BorderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    // Replaces all rows by `count` empty ones in one update; drops the selection.
    void ResetRows(int count);
    // The selected row, or -1.
    int SelectedRow() const;
    // Selects a row and makes it current, as a click does.
    void SelectRow(int row);

    // Draws row `index` into `rect` (viewport coordinates). An exception from
    // a callback ends the drawing of the row and passes on.
    void DrawItem(QPainter& painter, int index, const QRect& rect);
    // Height of row `index` in dmDouble: its wrapped description (at least
    // one line of 16 pixels) plus the assignee line.
    int MeasureItem(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // A focused list with no current row, an empty day above all, shows the
    // focus frame round the whole list: where Ins adds.
    void paintEvent(QPaintEvent* event) override;

private:
    void FontChanged();
    void FrameChanged();
    // Where the wrapped description of a dmDouble row may go, relative to
    // its left edge: the drawing and the measuring use the same width.
    int WrapWidth() const;

    struct TDrag
    {
        int Index = -1;  // none pressed
        bool Resize = false;
        bool Untimed = false;  // moves by whole days only
        bool Active = false;
        QPoint From;
        int64_t Start = 0;
        int64_t End = 0;  // 0: none
        int64_t Offset = 0;
        int64_t Days = 0;  // whole days to another day's list
    };
    // The start and end the drag comes to, within the entry's day.
    std::pair<int64_t, int64_t> DragTimes() const;

    TDrag Drag_;
    TFont TimeFont_;
    QImage AlarmGlyph_;
    TFont PrivateFont_;
    QImage PrivateGlyph_;
    TFont AssigneeFont_;
    TFont CategoryFont_;
    TFont DescriptionFont_;
    bool ShowCategories_ = true;
    const TDayEntries* Entries_ = nullptr;
    bool ShowAlarmGlyphs_ = true;
    TDisplayMode DisplayMode_ = dmSingle;
    bool ShowPrivateGlyphs_ = true;
    bool Ctl3D_ = true;
    TBorderStyle BorderStyle_ = bsSingle;
};

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

#include <functional>
#include <string>

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

    explicit TDayViewList(QWidget* parent = nullptr);

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

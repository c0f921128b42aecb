#pragma once

#include "views/DayView.h"

#include <QDateTime>

#include <array>
#include <string>

// One calendar week, Monday to Sunday, as seven day views in two columns.
// Display properties are read from Monday and written to all seven days;
// the days' data requests reach the owner through the week view's own
// events, with the week view as Sender. The shown week lives only in the
// days' stamps.
class TWeekView : public TCalendarView
{
    Q_OBJECT

public:
    static constexpr int DayCount = 7;

    // Lays the days out and shows the current week.
    explicit TWeekView(QWidget* parent = nullptr);

    // 0 = Monday to 6 = Sunday.
    TDayView& Days(int index) { return *Days_.at(static_cast<std::size_t>(index)); }
    // The day whose list last received the focus; none until one did.
    TDayView* CurrentDay() const { return CurrentDay_; }

    void Reload() override;
    // Reloads every day keeping its selection and scroll position.
    void Refresh() override;
    void ArrangeDays();
    // Shows Monday to Sunday of the week holding `value`, each day at the
    // time of day of `value`. Days are moved in order; the first one whose
    // stamp refuses its date throws and stops the move there.
    void ShowWeekOf(const QDateTime& value);
    void ShowThisWeek();
    void NextWeek() { Step(1); }
    void PreviousWeek() { Step(-1); }

    void ShowDate(const QDateTime& value) override { ShowWeekOf(value); }
    // Moves every day by whole weeks, in order; as ShowWeekOf when refused.
    void Step(int pages) override;
    // The stamp of the current day, or Monday's without one.
    int32_t CurrentSeconds() const;
    QDateTime CurrentDateTime() const override;
    std::string CurrentDateText() const override;
    // Monday to Sunday.
    std::pair<QDate, QDate> DefaultRange() const override;
    std::string SelectedId() const override;
    std::string SelectedDescription() const override;
    std::string SelectedOwnerId() const override;

    // Read from Monday, written to every day.
    TDisplayOptions DisplayOptions() const override { return Monday().DisplayOptions(); }
    void SetDisplayOptions(const TDisplayOptions& options) override;

    const TFont& TimeFont() const { return Monday().TimeFont(); }
    void SetTimeFont(const TFont& font);
    bool DayCtl3D() const { return Monday().Ctl3D(); }
    void SetDayCtl3D(bool ctl3D);
    QColor ListColor() const { return Monday().ListColor(); }
    void SetListColor(const QColor& color);
    bool ListCtl3D() const { return Monday().ListCtl3D(); }
    void SetListCtl3D(bool ctl3D);
    QString DateFormat() const { return Monday().DateFormat(); }
    void SetDateFormat(const QString& format);
    const TFont& PrivateFont() const { return Monday().PrivateFont(); }
    void SetPrivateFont(const TFont& font);
    QColor HeaderColor() const { return Monday().HeaderColor(); }
    void SetHeaderColor(const QColor& color);
    bool HeaderCtl3D() const { return Monday().HeaderCtl3D(); }
    void SetHeaderCtl3D(bool ctl3D);
    const TFont& CategoryFont() const { return Monday().CategoryFont(); }
    void SetCategoryFont(const TFont& font);
    const TFont& AssigneeFont() const { return Monday().AssigneeFont(); }
    void SetAssigneeFont(const TFont& font);
    TDisplayMode DisplayMode() const { return Monday().DisplayMode(); }
    void SetDisplayMode(TDisplayMode mode);
    bool ShowCategories() const { return Monday().ShowCategories(); }
    void SetShowCategories(bool show);
    TBevelCut DayBevelOuter() const { return Monday().BevelOuter(); }
    void SetDayBevelOuter(TBevelCut bevel);
    TBevelCut DayBevelInner() const { return Monday().BevelInner(); }
    void SetDayBevelInner(TBevelCut bevel);
    const TFont& DescriptionFont() const { return Monday().DescriptionFont(); }
    void SetDescriptionFont(const TFont& font);
    bool ShowAlarmGlyphs() const { return Monday().ShowAlarmGlyphs(); }
    void SetShowAlarmGlyphs(bool show);
    TBorderStyle DayBorderStyle() const { return Monday().BorderStyle(); }
    void SetDayBorderStyle(TBorderStyle style);
    TAlignment HeaderAlignment() const { return Monday().HeaderAlignment(); }
    void SetHeaderAlignment(TAlignment alignment);
    TBorderStyle ListBorderStyle() const { return Monday().ListBorderStyle(); }
    void SetListBorderStyle(TBorderStyle style);
    bool ShowPrivateGlyphs() const { return Monday().ShowPrivateGlyphs(); }
    void SetShowPrivateGlyphs(bool show);
    TBevelCut HeaderBevelOuter() const { return Monday().HeaderBevelOuter(); }
    void SetHeaderBevelOuter(TBevelCut bevel);
    TBevelCut HeaderBevelInner() const { return Monday().HeaderBevelInner(); }
    void SetHeaderBevelInner(TBevelCut bevel);
    TBorderStyle HeaderBorderStyle() const { return Monday().HeaderBorderStyle(); }
    void SetHeaderBorderStyle(TBorderStyle style);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    const TDayView& Monday() const { return *Days_[0]; }
    const TDayView& Current() const { return CurrentDay_ != nullptr ? *CurrentDay_ : Monday(); }
    // Calls `change` on each day, Monday to Sunday.
    template <typename TChange> void ForEachDay(TChange change)
    {
        for (TDayView* day : Days_)
            change(*day);
    }

    std::array<TDayView*, DayCount> Days_{};
    TDayView* CurrentDay_ = nullptr;
};

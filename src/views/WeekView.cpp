#include "views/WeekView.h"

#include "storage/Clock.h"

TWeekView::TWeekView(QWidget* parent) : TCalendarView(parent)
{
    setFont(TFont().QtFont());
    for (TDayView*& day : Days_) {
        day = new TDayView(this);
        day->OnWantUserName = [this](QObject*, const std::string& Pk, std::string& Name) {
            if (OnWantUserName)
                OnWantUserName(this, Pk, Name);
        };
        day->OnWantDayEntries = [this](QObject*, const std::string& DatePkVal, TDayEntries& DayEntries) {
            if (OnWantDayEntries)
                OnWantDayEntries(this, DatePkVal, DayEntries);
        };
        day->OnWantAlarmedFlag = [this](QObject*, const std::string& Pk, bool& Alarmed) {
            if (OnWantAlarmedFlag)
                OnWantAlarmedFlag(this, Pk, Alarmed);
        };
        day->OnWantRepeatedFlag = [this](QObject*, const std::string& Pk, bool& Repeated) {
            if (OnWantRepeatedFlag)
                OnWantRepeatedFlag(this, Pk, Repeated);
        };
        day->OnWantCategoryDescription = [this](QObject*, const std::string& Pk, std::string& Description) {
            if (OnWantCategoryDescription)
                OnWantCategoryDescription(this, Pk, Description);
        };
        day->OnWantCategoryColour = [this](QObject*, const std::string& Pk, QColor& Colour) {
            if (OnWantCategoryColour)
                OnWantCategoryColour(this, Pk, Colour);
        };
        day->OnWantMayMoveEntry = [this](QObject*, const std::string& Pk, bool& Allowed) {
            if (OnWantMayMoveEntry)
                OnWantMayMoveEntry(this, Pk, Allowed);
        };
        day->OnWantMoveEntry = [this](QObject*, const std::string& Pk, const std::string& NewStart,
                                      const std::string& NewEnd, bool& Moved) {
            if (OnWantMoveEntry)
                OnWantMoveEntry(this, Pk, NewStart, NewEnd, Moved);
        };
        day->List().DayAtCallback = [this, day](const QPoint& global) -> int64_t {
            for (TDayView* other : Days_)
                if (other != day && other->rect().contains(other->mapFromGlobal(global)))
                    return IdValue(other->Stamp().MidnightText());
            return 0;
        };
        day->OnReceivedFocus = [this, day](QObject*) { CurrentDay_ = day; };
    }
    ArrangeDays();
    ShowThisWeek();
}

void TWeekView::Reload()
{
    ForEachDay([](TDayView& day) { day.Reload(); });
    update();
}

void TWeekView::Refresh()
{
    ForEachDay([](TDayView& day) { day.Refresh(); });
    update();
}

void TWeekView::ArrangeDays()
{
    const QRect client = contentsRect();
    const int w = client.width() / 2;
    const int v = client.height() / 3;
    for (int i = 0; i < DayCount; ++i) {
        QRect place;
        if (i <= 2)
            place = QRect(0, v * i, w, v);
        else if (i <= 4)
            place = QRect(w, v * (i - 3), w, v);
        else
            place = QRect(w, v * (i - 3) - (v * (i - 5)) / 2, w, v / 2);
        Days_[static_cast<std::size_t>(i)]->setGeometry(place.translated(client.topLeft()));
    }
}

void TWeekView::ShowWeekOf(const QDateTime& value)
{
    QDateTime monday = value;
    while (monday.date().dayOfWeek() != Qt::Monday)
        monday = monday.addDays(-1);
    for (int i = 0; i < DayCount; ++i)
        Days_[static_cast<std::size_t>(i)]->Stamp().SetDateTime(monday.addDays(i));
}

void TWeekView::ShowThisWeek()
{
    ShowWeekOf(TClock::Now());
}

void TWeekView::Step(int pages)
{
    ForEachDay([pages](TDayView& day) { day.Stamp().Increment(suWeek, pages); });
}

int32_t TWeekView::CurrentSeconds() const
{
    return Current().Stamp().Seconds();
}

QDateTime TWeekView::CurrentDateTime() const
{
    return Current().CurrentDateTime();
}

std::string TWeekView::CurrentDateText() const
{
    return Current().Stamp().StampText();
}

std::pair<QDate, QDate> TWeekView::DefaultRange() const
{
    return {Monday().CurrentDateTime().date(), Days_.back()->CurrentDateTime().date()};
}

std::string TWeekView::SelectedId() const
{
    return CurrentDay_ != nullptr ? CurrentDay_->SelectedId() : kNoneId;
}

std::string TWeekView::SelectedDescription() const
{
    return CurrentDay_ != nullptr ? CurrentDay_->SelectedDescription() : std::string();
}

std::string TWeekView::SelectedOwnerId() const
{
    return CurrentDay_ != nullptr ? CurrentDay_->SelectedOwnerId() : kNoneId;
}

void TWeekView::SetDisplayOptions(const TDisplayOptions& options)
{
    ForEachDay([&](TDayView& day) { day.SetDisplayOptions(options); });
}

void TWeekView::SetTimeFont(const TFont& font)
{
    ForEachDay([&](TDayView& day) { day.SetTimeFont(font); });
}

void TWeekView::SetDayCtl3D(bool ctl3D)
{
    ForEachDay([&](TDayView& day) { day.SetCtl3D(ctl3D); });
}

void TWeekView::SetListColor(const QColor& color)
{
    ForEachDay([&](TDayView& day) { day.SetListColor(color); });
}

void TWeekView::SetListCtl3D(bool ctl3D)
{
    ForEachDay([&](TDayView& day) { day.SetListCtl3D(ctl3D); });
}

void TWeekView::SetDateFormat(const QString& format)
{
    ForEachDay([&](TDayView& day) { day.SetDateFormat(format); });
}

void TWeekView::SetPrivateFont(const TFont& font)
{
    ForEachDay([&](TDayView& day) { day.SetPrivateFont(font); });
}

void TWeekView::SetHeaderColor(const QColor& color)
{
    ForEachDay([&](TDayView& day) { day.SetHeaderColor(color); });
}

void TWeekView::SetHeaderCtl3D(bool ctl3D)
{
    ForEachDay([&](TDayView& day) { day.SetHeaderCtl3D(ctl3D); });
}

void TWeekView::SetCategoryFont(const TFont& font)
{
    ForEachDay([&](TDayView& day) { day.SetCategoryFont(font); });
}

void TWeekView::SetAssigneeFont(const TFont& font)
{
    ForEachDay([&](TDayView& day) { day.SetAssigneeFont(font); });
}

void TWeekView::SetDisplayMode(TDisplayMode mode)
{
    ForEachDay([&](TDayView& day) { day.SetDisplayMode(mode); });
}

void TWeekView::SetShowCategories(bool show)
{
    ForEachDay([&](TDayView& day) { day.SetShowCategories(show); });
}

void TWeekView::SetDayBevelOuter(TBevelCut bevel)
{
    ForEachDay([&](TDayView& day) { day.SetBevelOuter(bevel); });
}

void TWeekView::SetDayBevelInner(TBevelCut bevel)
{
    ForEachDay([&](TDayView& day) { day.SetBevelInner(bevel); });
}

void TWeekView::SetDescriptionFont(const TFont& font)
{
    ForEachDay([&](TDayView& day) { day.SetDescriptionFont(font); });
}

void TWeekView::SetShowAlarmGlyphs(bool show)
{
    ForEachDay([&](TDayView& day) { day.SetShowAlarmGlyphs(show); });
}

void TWeekView::SetDayBorderStyle(TBorderStyle style)
{
    ForEachDay([&](TDayView& day) { day.SetBorderStyle(style); });
}

void TWeekView::SetHeaderAlignment(TAlignment alignment)
{
    ForEachDay([&](TDayView& day) { day.SetHeaderAlignment(alignment); });
}

void TWeekView::SetListBorderStyle(TBorderStyle style)
{
    ForEachDay([&](TDayView& day) { day.SetListBorderStyle(style); });
}

void TWeekView::SetShowPrivateGlyphs(bool show)
{
    ForEachDay([&](TDayView& day) { day.SetShowPrivateGlyphs(show); });
}

void TWeekView::SetHeaderBevelOuter(TBevelCut bevel)
{
    ForEachDay([&](TDayView& day) { day.SetHeaderBevelOuter(bevel); });
}

void TWeekView::SetHeaderBevelInner(TBevelCut bevel)
{
    ForEachDay([&](TDayView& day) { day.SetHeaderBevelInner(bevel); });
}

void TWeekView::SetHeaderBorderStyle(TBorderStyle style)
{
    ForEachDay([&](TDayView& day) { day.SetHeaderBorderStyle(style); });
}

void TWeekView::resizeEvent(QResizeEvent* event)
{
    TPanel::resizeEvent(event);
    ArrangeDays();
}

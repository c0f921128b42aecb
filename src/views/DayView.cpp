#include "views/DayView.h"

#include <QScrollBar>

TDayView::TDayView(QWidget* parent) : TCalendarView(parent)
{
    setFont(TFont().QtFont());
    Stamp_.DisplayFormat = QStringLiteral("dddd, dd mmm, yy");
    Stamp_.OnChange = [this](TStamp&) { Reload(); };

    List_ = new TDayViewList(this);
    List_->SetEntries(&Entries_);
    List_->UserNameCallback = [this](const std::string& Pk, std::string& Name) {
        if (OnWantUserName)
            OnWantUserName(this, Pk, Name);
    };
    List_->ReceivedFocusCallback = [this] {
        if (OnReceivedFocus)
            OnReceivedFocus(this);
    };
    List_->AlarmedFlagCallback = [this](const std::string& Pk, bool& Alarmed) {
        if (OnWantAlarmedFlag)
            OnWantAlarmedFlag(this, Pk, Alarmed);
    };
    List_->RepeatedFlagCallback = [this](const std::string& Pk, bool& Repeated) {
        if (OnWantRepeatedFlag)
            OnWantRepeatedFlag(this, Pk, Repeated);
    };
    List_->CategoryCallback = [this](const std::string& Pk, std::string& Description) {
        if (OnWantCategoryDescription)
            OnWantCategoryDescription(this, Pk, Description);
    };
    List_->CategoryColourCallback = [this](const std::string& Pk, QColor& Colour) {
        if (OnWantCategoryColour)
            OnWantCategoryColour(this, Pk, Colour);
    };

    List_->MayDragCallback = [this](int index) {
        bool allowed = false;
        if (OnWantMayMoveEntry)
            OnWantMayMoveEntry(this, Entries_.GetEntryId(index), allowed);
        return allowed;
    };
    List_->DropCallback = [this](int index, const std::string& start, const std::string& end) {
        bool moved = false;
        if (OnWantMoveEntry)
            OnWantMoveEntry(this, Entries_.GetEntryId(index), start, end, moved);
        return moved;
    };

    Header_ = new TDayViewHeader(this);
    Header_->SetDateText(Stamp_.DisplayText());
}

void TDayView::Reload()
{
    Header_->SetDateText(Stamp_.DisplayText());
    QFont viewFont = font();
    viewFont.setBold(Stamp_.IsToday());
    viewFont.setItalic(false);
    viewFont.setUnderline(false);
    viewFont.setStrikeOut(false);
    setFont(viewFont);
    if (OnWantDayEntries) {
        Entries_.ClearEntries();
        Entries_.SetDay(Stamp_.MidnightText());
        // The rows follow the list also when the handler fails part-way, so
        // that no row stands for an entry the list does not hold.
        try {
            OnWantDayEntries(this, Stamp_.MidnightText(), Entries_);
        } catch (...) {
            List_->ResetRows(Entries_.EntryCount());
            throw;
        }
        List_->ResetRows(Entries_.EntryCount());
    }
    // The list is what takes the focus: its name says the day it lists. The
    // day's panel, which groups header and list, is named alike.
    const QString spoken = TDayViewList::SpokenDay(Stamp_.AsDateTime().date(), Entries_.EntryCount());
    List_->setAccessibleName(spoken);
    setAccessibleName(spoken);
    update();
    List_->viewport()->update();
}

void TDayView::Refresh()
{
    const std::string selected = SelectedId();
    const int scrolled = List_->verticalScrollBar()->value();
    Reload();
    // The rows are laid out at once so that the scroll range fits them.
    List_->doItemsLayout();
    for (int index = 0; index < Entries_.EntryCount(); ++index)
        if (Entries_.GetEntryId(index) == selected)
            List_->SelectRow(index);
    List_->verticalScrollBar()->setValue(scrolled);
}

std::pair<QDate, QDate> TDayView::DefaultRange() const
{
    const QDate day = Stamp_.AsDateTime().date();
    return {QDate(day.year(), day.month(), 1), QDate(day.year(), day.month(), day.daysInMonth())};
}

TDisplayOptions TDayView::DisplayOptions() const
{
    return {TimeFont(),   PrivateFont(),    CategoryFont(),    AssigneeFont(),     DescriptionFont(),
            DisplayMode(), ShowCategories(), ShowAlarmGlyphs(), ShowPrivateGlyphs()};
}

void TDayView::SetDisplayOptions(const TDisplayOptions& options)
{
    SetTimeFont(options.TimeFont);
    SetPrivateFont(options.PrivateFont);
    SetCategoryFont(options.CategoryFont);
    SetAssigneeFont(options.AssigneeFont);
    SetDescriptionFont(options.DescriptionFont);
    SetDisplayMode(options.DisplayMode);
    SetShowCategories(options.ShowCategories);
    SetShowAlarmGlyphs(options.ShowAlarmGlyphs);
    SetShowPrivateGlyphs(options.ShowPrivateGlyphs);
}

void TDayView::SetDateFormat(const QString& format)
{
    Stamp_.DisplayFormat = format;
    Header_->SetDateText(Stamp_.DisplayText());
}

std::string TDayView::SelectedId() const
{
    const int index = SelectedIndex();
    return index < 0 ? kNoneId : Entries_.GetEntryId(index);
}

std::string TDayView::SelectedOwnerId() const
{
    TDayEntryRec entry;
    return SelectedEntry(entry) ? FieldText(entry.OwnerId) : kNoneId;
}

std::string TDayView::SelectedDescription() const
{
    TDayEntryRec entry;
    return SelectedEntry(entry) ? FieldText(entry.Description) : std::string();
}

QRect TDayView::AlignControls(QRect area)
{
    const QRect rest = TPanel::AlignControls(area);
    if (List_ != nullptr)
        List_->setGeometry(rest);
    return QRect(rest.topLeft(), QSize(0, 0));
}

int TDayView::SelectedIndex() const
{
    const int row = List_->SelectedRow();
    return row < Entries_.EntryCount() ? row : -1;
}

bool TDayView::SelectedEntry(TDayEntryRec& entry) const
{
    const int index = SelectedIndex();
    if (index < 0)
        return false;
    Entries_.GetEntry(index, entry);
    return true;
}

#pragma once

#include "storage/Stamp.h"
#include "views/CalendarView.h"
#include "views/DayEntries.h"
#include "views/DayViewHeader.h"
#include "views/DayViewList.h"
#include "views/Font.h"

#include <string>

// The events of one day: a date header over a list with one row per entry.
// It never reads the database; its owner answers the data events and
// OnReceivedFocus. Moving the date through Stamp() reloads the day.
class TDayView : public TCalendarView
{
    Q_OBJECT

public:
    explicit TDayView(QWidget* parent = nullptr);

    TReceivedFocusEvent OnReceivedFocus;

    // The shown date. Change it only through its own operations: each one
    // reloads the view.
    TStamp& Stamp() { return Stamp_; }
    const TStamp& Stamp() const { return Stamp_; }
    const TDayEntries& Entries() const { return Entries_; }

    // Asks for the day's entries again (when OnWantDayEntries is set),
    // shows the date, bold when it is today, and repaints.
    void Reload() override;
    // Reload, keeping the selected entry (while it is still listed) and the
    // scroll position: for changes the user did not make here.
    void Refresh() override;

    void ShowDate(const QDateTime& value) override { Stamp_.SetDateTime(value); }
    void Step(int pages) override { Stamp_.Increment(suDay, pages); }
    QDateTime CurrentDateTime() const override { return Stamp_.AsDateTime(); }
    std::string CurrentDateText() const override { return Stamp_.StampText(); }
    // The month of the day.
    std::pair<QDate, QDate> DefaultRange() const override;

    std::string SelectedId() const override;
    std::string SelectedOwnerId() const override;
    std::string SelectedDescription() const override;

    TDisplayOptions DisplayOptions() const override;
    void SetDisplayOptions(const TDisplayOptions& options) override;

    const TFont& TimeFont() const { return List_->TimeFont(); }
    void SetTimeFont(const TFont& font) { List_->SetTimeFont(font); }
    QColor ListColor() const { return List_->ListColor(); }
    void SetListColor(const QColor& color) { List_->SetListColor(color); }
    bool ListCtl3D() const { return List_->Ctl3D(); }
    void SetListCtl3D(bool ctl3D) { List_->SetCtl3D(ctl3D); }
    QString DateFormat() const { return Stamp_.DisplayFormat; }
    // Shows the date in the new format at once, without reloading the day.
    void SetDateFormat(const QString& format);
    const TFont& PrivateFont() const { return List_->PrivateFont(); }
    void SetPrivateFont(const TFont& font) { List_->SetPrivateFont(font); }
    QColor HeaderColor() const { return Header_->Color(); }
    void SetHeaderColor(const QColor& color) { Header_->SetColor(color); }
    bool HeaderCtl3D() const { return Header_->Ctl3D(); }
    void SetHeaderCtl3D(bool ctl3D) { Header_->SetCtl3D(ctl3D); }
    const TFont& CategoryFont() const { return List_->CategoryFont(); }
    void SetCategoryFont(const TFont& font) { List_->SetCategoryFont(font); }
    const TFont& AssigneeFont() const { return List_->AssigneeFont(); }
    void SetAssigneeFont(const TFont& font) { List_->SetAssigneeFont(font); }
    TDisplayMode DisplayMode() const { return List_->DisplayMode(); }
    void SetDisplayMode(TDisplayMode mode) { List_->SetDisplayMode(mode); }
    bool ShowCategories() const { return List_->ShowCategories(); }
    void SetShowCategories(bool show) { List_->SetShowCategories(show); }
    const TFont& DescriptionFont() const { return List_->DescriptionFont(); }
    void SetDescriptionFont(const TFont& font) { List_->SetDescriptionFont(font); }
    bool ShowAlarmGlyphs() const { return List_->ShowAlarmGlyphs(); }
    void SetShowAlarmGlyphs(bool show) { List_->SetShowAlarmGlyphs(show); }
    TAlignment HeaderAlignment() const { return Header_->Alignment(); }
    void SetHeaderAlignment(TAlignment alignment) { Header_->SetAlignment(alignment); }
    TBorderStyle ListBorderStyle() const { return List_->BorderStyle(); }
    void SetListBorderStyle(TBorderStyle style) { List_->SetBorderStyle(style); }
    bool ShowPrivateGlyphs() const { return List_->ShowPrivateGlyphs(); }
    void SetShowPrivateGlyphs(bool show) { List_->SetShowPrivateGlyphs(show); }
    TBevelCut HeaderBevelOuter() const { return Header_->BevelOuter(); }
    void SetHeaderBevelOuter(TBevelCut bevel) { Header_->SetBevelOuter(bevel); }
    TBevelCut HeaderBevelInner() const { return Header_->BevelInner(); }
    void SetHeaderBevelInner(TBevelCut bevel) { Header_->SetBevelInner(bevel); }
    TBorderStyle HeaderBorderStyle() const { return Header_->BorderStyle(); }
    void SetHeaderBorderStyle(TBorderStyle style) { Header_->SetBorderStyle(style); }

    TDayViewHeader& Header() { return *Header_; }
    TDayViewList& List() { return *List_; }

protected:
    QRect AlignControls(QRect area) override;

private:
    // Index of the selected entry, or -1 when no row is selected or the
    // rows hold no entry.
    int SelectedIndex() const;
    // Copies the selected entry; false when there is none.
    bool SelectedEntry(TDayEntryRec& entry) const;

    TDayEntries Entries_;
    TStamp Stamp_;
    TDayViewList* List_ = nullptr;
    TDayViewHeader* Header_ = nullptr;
};

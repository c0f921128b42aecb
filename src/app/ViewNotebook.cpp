#include "app/ViewNotebook.h"

#include "views/DayView.h"
#include "views/MonthView.h"
#include "views/WeekView.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace {

QWidget* Page(QStackedWidget& notebook, const char* name)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    notebook.addWidget(page);
    return page;
}

// The settings of the window description that the workstation settings
// leave alone.
template <class TView> TView* Described(TView* view, const char* name, QWidget& page)
{
    view->setObjectName(QLatin1String(name));
    view->SetDateFormat(QStringLiteral("dddd, dd mmmm, yyyy"));
    view->SetListColor(page.palette().color(QPalette::Base));
    view->SetHeaderColor(page.palette().color(QPalette::Button));
    page.layout()->addWidget(view);
    return view;
}

}  // namespace

TViewNotebook::TViewNotebook(QWidget* parent) : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("nbkMain"));
    QWidget* dayPage = Page(*this, "DayView");
    QWidget* weekPage = Page(*this, "WeekView");
    QWidget* monthPage = Page(*this, "MonthView");
    DayView_ = Described(new TDayView(dayPage), "dvMain", *dayPage);
    WeekView_ = Described(new TWeekView(weekPage), "wvMain", *weekPage);
    WeekView_->setToolTip(QStringLiteral("Right-click for options"));
    WeekView_->SetBevelOuter(bvNone);
    WeekView_->SetDayCtl3D(true);
    WeekView_->SetDayBevelOuter(bvNone);
    WeekView_->SetDayBevelInner(bvNone);
    WeekView_->SetDayBorderStyle(bsNone);
    MonthView_ = new TMonthView(monthPage);
    MonthView_->setObjectName(QStringLiteral("mvMain"));
    MonthView_->SetListColor(monthPage->palette().color(QPalette::Base));
    MonthView_->SetHeaderColor(monthPage->palette().color(QPalette::Button));
    MonthView_->setToolTip(QStringLiteral("Double-click a day to see it on its own; right-click for options"));
    monthPage->layout()->addWidget(MonthView_);
    Views_ = {WeekView_, DayView_, MonthView_};
}

QWidget* TViewNotebook::MainArea()
{
    auto* area = new QWidget;
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(0);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setToolTip(QStringLiteral("Drag me"));
    splitter->addWidget(new QWidget);
    splitter->addWidget(this);
    splitter->setSizes({0, 1});
    layout->addWidget(splitter);
    return area;
}

TCalendarView& TViewNotebook::Active() const
{
    return *currentWidget()->findChild<TCalendarView*>(QString(), Qt::FindDirectChildrenOnly);
}

void TViewNotebook::ShowPage(TCalendarView& view)
{
    setCurrentWidget(view.parentWidget());
}

bool TViewNotebook::SwitchTo(TCalendarView& view)
{
    TCalendarView& shown = Active();
    if (&view == &shown)
        return false;
    view.ShowDate(shown.CurrentDateTime());
    ShowPage(view);
    view.Reload();
    return true;
}

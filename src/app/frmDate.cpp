#include "app/frmDate.h"

#include "storage/Clock.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"
#include "views/CalendarView.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TfrmDate::TfrmDate(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDate"));
    setWindowTitle(QStringLiteral("Goto Date"));

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* label = new QLabel(QStringLiteral("&Date"), panel);
    calMain = new QCalendarWidget(panel);
    calMain->setObjectName(QStringLiteral("calMain"));
    calMain->setFirstDayOfWeek(Qt::Monday);
    calMain->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    label->setBuddy(calMain);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(label);
    panelLayout->addWidget(calMain);

    auto* buttons = new TButtonRow(this);
    btnToday = buttons->Add("btnToday", "&Today", [this] { btnTodayClick(); });
    btnToday->setAutoDefault(false);
    btnClose = buttons->Add("btnClose", "&Close", [this] { accept(); }, TButtonRole::Default);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(buttons);
    setMinimumSize(267, 235);

    connect(calMain, &QCalendarWidget::selectionChanged, this,
            TActionFactory::Guard([this] { calMainChange(calMain->selectedDate()); }));
}

void TfrmDate::ShowFor(TCalendarView& view, const QDateTime& value)
{
    TExecuteScope scope;
    scope.Bind(View_, &view);
    SetCalendar(value.date());
    calMain->setFocus();
    TDialogRunner::Run(*this);
}

void TfrmDate::SetCalendar(const QDate& date)
{
    const QSignalBlocker quiet(calMain);
    calMain->setSelectedDate(date);
}

void TfrmDate::calMainChange(const QDate& date)
{
    try {
        if (View_)
            View_->ShowDate(QDateTime(date, QTime(0, 0)));
    } catch (...) {
        ShowToday();
        throw;
    }
}

void TfrmDate::btnTodayClick()
{
    ShowToday();
}

void TfrmDate::ShowToday()
{
    const QDateTime now = TClock::Now();
    SetCalendar(now.date());
    if (View_)
        View_->ShowDate(now);
}

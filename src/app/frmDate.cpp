#include "app/frmDate.h"

#include "ui/Clock.h"
#include "ui/DialogRunner.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
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

    btnToday = new QPushButton(QStringLiteral("&Today"), this);
    btnToday->setObjectName(QStringLiteral("btnToday"));
    btnToday->setAutoDefault(false);
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnToday);
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    setMinimumSize(267, 235);

    connect(calMain, &QCalendarWidget::selectionChanged, this, [this] { calMainChange(calMain->selectedDate()); });
    connect(btnToday, &QPushButton::clicked, this, &TfrmDate::btnTodayClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmDate::ShowForDay(TDayView& view, const QDateTime& value)
{
    DayView_ = &view;
    WeekView_ = nullptr;
    Show(value);
}

void TfrmDate::ShowForWeek(TWeekView& view, const QDateTime& value)
{
    WeekView_ = &view;
    DayView_ = nullptr;
    Show(value);
}

void TfrmDate::Show(const QDateTime& value)
{
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
        const QDateTime value(date, QTime(0, 0));
        if (WeekView_)
            WeekView_->ShowWeekOf(value);
        else if (DayView_)
            DayView_->Stamp().SetDateTime(value);
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
    if (WeekView_)
        WeekView_->ShowThisWeek();
    else if (DayView_)
        DayView_->Stamp().SetDateTime(now);
}

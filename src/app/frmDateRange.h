#pragma once

#include <QDate>
#include <QDialog>

class QLabel;
class QPushButton;
class TDateEdit;

// A range of days for a command that works over dates, such as the
// iCalendar export (which events go out) and import (over which days a
// recurring event is repeated). Ok takes the range only when both dates
// read, the first is not after the last and both lie in the years the
// diary can hold.
class TfrmDateRange : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDateRange(QWidget* parent = nullptr);

    // caption is the dialog's title, prompt the line above the dates. from
    // and to come in as the dates shown first and go out as those chosen
    // when the user presses Ok; Cancel leaves them as they were.
    int Execute(const QString& caption, const QString& prompt, QDate& from, QDate& to);

    QLabel* lblPrompt;
    TDateEdit* edtFrom;
    TDateEdit* edtTo;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void btnOkClick();

    static constexpr const char* EndBeforeStart = "The end date must not be earlier than the start date";
    static constexpr const char* OutsideDiary = "The diary holds dates from 1970 to 2037 only";

private:
    QDate* From_ = nullptr;
    QDate* To_ = nullptr;
};

#pragma once

#include "storage/Records.h"

#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class TDateEdit;

// "Alarm": when an event's alarm goes off, in steps of five minutes. The
// time starts from the alarm record and is taken back only by Close; a
// date that is no stamp is refused there with its message and the dialog
// stays open.
class TfrmAlarmProperties : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAlarmProperties(QWidget* parent = nullptr);

    // Shows the dialog modally; on OK (Close) Alarm.AlarmStamp holds the
    // chosen time. The window's close box changes nothing.
    int Execute(TAlarmRec& Alarm);

    TDateEdit* cmbDate;
    QLabel* lblTime;
    QComboBox* cmbHour;
    QComboBox* cmbMinute;
    QPushButton* btnClose;

    void btnCloseClick();

private:
    std::string Chosen_;  // the stamp text Close took
};

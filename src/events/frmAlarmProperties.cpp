#include "events/frmAlarmProperties.h"

#include "events/TimeBoxes.h"
#include "storage/Stamp.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <exception>

TfrmAlarmProperties::TfrmAlarmProperties(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAlarmProperties"));
    setWindowTitle(QStringLiteral("Alarm"));

    auto* lblDate = new QLabel(QStringLiteral("&Date"), this);
    cmbDate = new TDateEdit(this);
    cmbDate->setObjectName(QStringLiteral("cmbDate"));
    lblTime = new QLabel(QStringLiteral("&Time"), this);
    cmbHour = new QComboBox(this);
    cmbHour->setObjectName(QStringLiteral("cmbHour"));
    cmbMinute = new QComboBox(this);
    cmbMinute->setObjectName(QStringLiteral("cmbMinute"));
    TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Fill();
    lblDate->setBuddy(cmbDate);
    lblTime->setBuddy(cmbHour);

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &TfrmAlarmProperties::btnCloseClick);

    auto* grid = new QGridLayout;
    grid->addWidget(lblDate, 0, 0);
    grid->addWidget(cmbDate, 0, 1, 1, 2);
    grid->addWidget(lblTime, 1, 0);
    grid->addWidget(cmbHour, 1, 1);
    grid->addWidget(cmbMinute, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmAlarmProperties::Execute(TAlarmRec& Alarm)
{
    TStamp WorkStamp;
    WorkStamp.SetSeconds(IdValue(FieldText(Alarm.AlarmStamp)));
    TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Show(WorkStamp);
    cmbDate->setFocus();
    const int result = TDialogRunner::Run(*this);
    if (result == QDialog::Accepted)
        SetAlarmStamp(Alarm, Chosen_);
    return result;
}

void TfrmAlarmProperties::btnCloseClick()
{
    TStamp WorkStamp;
    try {
        TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Take(WorkStamp, false);
    } catch (const std::exception& error) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromLocal8Bit(error.what()));
        return;
    }
    Chosen_ = WorkStamp.StampText();
    accept();
}

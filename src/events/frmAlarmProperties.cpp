#include "events/frmAlarmProperties.h"

#include "events/TimeBoxes.h"
#include "storage/Stamp.h"
#include "ui/ButtonRow.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

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

    auto* buttons = new TButtonRow(this);
    btnClose = buttons->Add("btnClose", "&Close", [this] { btnCloseClick(); }, TButtonRole::Default);

    auto* grid = new QGridLayout;
    grid->addWidget(lblDate, 0, 0);
    grid->addWidget(cmbDate, 0, 1, 1, 2);
    grid->addWidget(lblTime, 1, 0);
    grid->addWidget(cmbHour, 1, 1);
    grid->addWidget(cmbMinute, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
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
    // A date that is no stamp raises here; the button shows the message and
    // the dialog stays open.
    TStamp WorkStamp;
    TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Take(WorkStamp, false);
    Chosen_ = WorkStamp.StampText();
    accept();
}

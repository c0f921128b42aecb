#include "app/frmDateRange.h"

#include "ui/ButtonRow.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"
#include "ui/MessageBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The years a stamp of the diary can hold.
bool InDiary(const QDate& date)
{
    return date.year() >= 1970 && date.year() <= 2037;
}

}  // namespace

TfrmDateRange::TfrmDateRange(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDateRange"));

    lblPrompt = new QLabel(this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    auto* lblFrom = new QLabel(QStringLiteral("&From"), this);
    edtFrom = new TDateEdit(this);
    edtFrom->setObjectName(QStringLiteral("edtFrom"));
    edtFrom->setToolTip(QStringLiteral("The first day of the range"));
    lblFrom->setBuddy(edtFrom);
    auto* lblTo = new QLabel(QStringLiteral("&To"), this);
    edtTo = new TDateEdit(this);
    edtTo->setObjectName(QStringLiteral("edtTo"));
    edtTo->setToolTip(QStringLiteral("The last day of the range"));
    lblTo->setBuddy(edtTo);

    auto* buttons = new TButtonRow(this);
    btnOk = buttons->Add("btnOk", "&Ok", [this] { btnOkClick(); }, TButtonRole::Default);
    btnCancel = buttons->Add("btnCancel", "&Cancel", [this] { reject(); }, TButtonRole::Cancel);

    auto* grid = new QGridLayout;
    grid->addWidget(lblFrom, 0, 0);
    grid->addWidget(edtFrom, 0, 1);
    grid->addWidget(lblTo, 1, 0);
    grid->addWidget(edtTo, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrompt);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

int TfrmDateRange::Execute(const QString& caption, const QString& prompt, QDate& from, QDate& to)
{
    TExecuteScope scope;
    scope.Bind(From_, &from).Bind(To_, &to);
    setWindowTitle(caption);
    lblPrompt->setText(prompt);
    edtFrom->SetDate(from);
    edtTo->SetDate(to);
    edtFrom->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmDateRange::btnOkClick()
{
    // A date that does not read raises and is shown; the dialog stays open.
    const QDate from = edtFrom->Date();
    const QDate to = edtTo->Date();
    if (!InDiary(from) || !InDiary(to)) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(OutsideDiary));
        (InDiary(from) ? edtTo : edtFrom)->setFocus();
        return;
    }
    if (to < from) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(EndBeforeStart));
        edtTo->setFocus();
        return;
    }
    *From_ = from;
    *To_ = to;
    accept();
}

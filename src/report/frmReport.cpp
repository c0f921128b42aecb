#include "report/frmReport.h"

#include "events/RecordLists.h"
#include "prefs/frmSelectGroup.h"
#include "report/frmReportViewer.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/ExecuteScope.h"
#include "ui/CheckList.h"
#include "storage/Clock.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>
#include <optional>

TfrmReport::TfrmReport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QStringLiteral("Report"));

    auto* lblStartDate = new QLabel(QStringLiteral("&Start date"), this);
    cmbStartDate = new TDateEdit(this);
    cmbStartDate->setObjectName(QStringLiteral("cmbStartDate"));
    cmbStartDate->setToolTip(QStringLiteral("Select a start date for the report"));
    lblStartDate->setBuddy(cmbStartDate);
    auto* lblEndDate = new QLabel(QStringLiteral("&End date"), this);
    cmbEndDate = new TDateEdit(this);
    cmbEndDate->setObjectName(QStringLiteral("cmbEndDate"));
    cmbEndDate->setToolTip(QStringLiteral("Select an end date for the report"));
    lblEndDate->setBuddy(cmbEndDate);

    chkCategory = new QCheckBox(QStringLiteral("&Category"), this);
    chkCategory->setObjectName(QStringLiteral("chkCategory"));
    chkCategory->setToolTip(QStringLiteral("Check to restrict the report to a specific category of event"));
    cmbCategory = new QComboBox(this);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setToolTip(QStringLiteral("Select a category"));

    lblUsers = new QLabel(QStringLiteral("&User(s)"), this);
    lblUsers->setObjectName(QStringLiteral("lblUsers"));
    lstUsers = new TCheckList(this);
    lstUsers->setObjectName(QStringLiteral("lstUsers"));
    lstUsers->SetSorted(true);
    lstUsers->setToolTip(QStringLiteral("Select a number of users to include in the report"));
    lblUsers->setBuddy(lstUsers);
    btnGroup = new QToolButton(this);
    btnGroup->setObjectName(QStringLiteral("btnGroup"));
    btnGroup->setAutoRaise(true);
    btnGroup->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    btnGroup->setToolTip(QStringLiteral("Select users from a group"));

    auto* buttons = new TButtonRow(this);
    btnGo = buttons->Add("btnGo", "&Go", [this] { btnGoClick(); }, TButtonRole::Default);
    btnClose = buttons->Add("btnClose", "&Close", [this] { reject(); }, TButtonRole::Cancel);

    connect(chkCategory, &QCheckBox::toggled, this, &TfrmReport::chkCategoryClick);
    connect(btnGroup, &QToolButton::clicked, this, TActionFactory::Guard([this] { btnGroupClick(); }));

    frmSelectGroup = new TfrmSelectGroup(this);
    frmReportViewer = new TfrmReportViewer(this);

    auto* grid = new QGridLayout;
    grid->addWidget(lblStartDate, 0, 0);
    grid->addWidget(cmbStartDate, 0, 1);
    grid->addWidget(lblEndDate, 1, 0);
    grid->addWidget(cmbEndDate, 1, 1);
    grid->addWidget(chkCategory, 2, 0);
    grid->addWidget(cmbCategory, 2, 1);
    grid->addWidget(lblUsers, 3, 0, Qt::AlignTop);
    auto* users = new QHBoxLayout;
    users->addWidget(lstUsers);
    users->addWidget(btnGroup, 0, Qt::AlignTop);
    grid->addLayout(users, 3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

int TfrmReport::Execute(TOrbekoCfg& Cfg, TOrbekoDB& Db, const TSession& Session)
{
    TExecuteScope scope;
    scope.Bind(Cfg_, &Cfg).Bind(Db_, &Db).Bind(Session_, &Session);
    const QDate today = TClock::Now().date();
    cmbStartDate->SetDate(today);
    cmbEndDate->SetDate(today);
    chkCategory->setChecked(false);
    chkCategoryClick();
    FillUserList(*lstUsers, Db.UserFile);
    FillCategoryList(*cmbCategory, Db.CategoryFile);
    cmbCategory->setCurrentIndex(0);
    cmbStartDate->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmReport::chkCategoryClick()
{
    cmbCategory->setEnabled(chkCategory->isChecked());
}

void TfrmReport::btnGroupClick()
{
    frmSelectGroup->Execute(*Cfg_, *lstUsers);
}

TReportRequest TfrmReport::Request() const
{
    TReportRequest request;
    request.StartDate = cmbStartDate->Date();
    request.EndDate = cmbEndDate->Date();
    if (chkCategory->isChecked() && cmbCategory->currentIndex() >= 0) {
        request.CategoryId = IdText(cmbCategory->currentData().toLongLong());
        request.CategoryText = cmbCategory->currentText();
    }
    for (int row = 0; row < lstUsers->count(); ++row)
        if (lstUsers->Checked(row))
            request.Users.push_back({IdText(lstUsers->Data(row)), lstUsers->item(row)->text()});
    return request;
}

void TfrmReport::btnGoClick()
{
    const TReportRequest request = Request();
    if (request.EndDate < request.StartDate) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(EndBeforeStart));
        cmbEndDate->setFocus();
        return;
    }
    QStringList lines;
    {
        const TWaitCursor wait;
        lines = TReportBuilder(*Db_, *Session_).Build(request);
    }
    // The viewer opens over this dialog, which keeps its settings for the
    // next report: Qt ends a modal run whose dialog is hidden.
    frmReportViewer->Execute(lines, request.StartDate, request.EndDate);
}

#include "admin/frmDeleteUser.h"

#include "admin/UserAccounts.h"
#include "admin/UserDeletion.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "storage/Workstations.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/ExecuteScope.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <stdexcept>
#include <vector>

namespace {

// How often the run lets the window paint.
constexpr int kPaintIntervalMs = 50;

// Texts made with record fields, which are stored bytes.
void Info(const std::string& text)
{
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, DecodeText(text));
}

}  // namespace

TfrmDeleteUser::TfrmDeleteUser(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDeleteUser"));
    setWindowTitle(QStringLiteral("Delete User"));

    nbkMain = new QStackedWidget(this);
    nbkMain->setObjectName(QStringLiteral("nbkMain"));
    nbkMain->setFocusPolicy(Qt::StrongFocus);
    MakePage("Intro",
             "There are several steps that are required in order to delete a Orbeko user. This wizard will guide "
             "you through them. Please click \"Next\" to continue.");

    QWidget* owner = MakePage("Owner",
                              "Firstly you need to decide what to do with any entries that are owned by this user. "
                              "You can either delete them or transfer them to another user. Please choose then "
                              "click \"Next\" to continue.");
    rdoOwnerDelete = new QRadioButton(QStringLiteral("&Delete entries"), owner);
    rdoOwnerDelete->setObjectName(QStringLiteral("rdoOwnerDelete"));
    rdoOwnerTransfer = new QRadioButton(QStringLiteral("&Transfer entries to"), owner);
    rdoOwnerTransfer->setObjectName(QStringLiteral("rdoOwnerTransfer"));
    cmbOwner = new QComboBox(owner);
    cmbOwner->setObjectName(QStringLiteral("cmbOwner"));

    QWidget* assigned = MakePage("Assigned",
                                 "Next you need to decide what to do with any entries that are assigned purely to "
                                 "this user. Once again you can either delete them or assign them to another user. "
                                 "Please choose then click \"Next\" to continue.");
    rdoAssignedDelete = new QRadioButton(QStringLiteral("&Delete entries"), assigned);
    rdoAssignedDelete->setObjectName(QStringLiteral("rdoAssignedDelete"));
    rdoAssignedAssign = new QRadioButton(QStringLiteral("&Assign entries to"), assigned);
    rdoAssignedAssign->setObjectName(QStringLiteral("rdoAssignedAssign"));
    cmbAssigned = new QComboBox(assigned);
    cmbAssigned->setObjectName(QStringLiteral("cmbAssigned"));

    QWidget* doIt = MakePage("DoIt",
                             "Ok, you've answered all of the relevant questions. You can now simply click "
                             "\"Delete\" to remove the user.");
    lblScanning = new QLabel(QStringLiteral("Scanning database..."), doIt);
    lblScanning->setObjectName(QStringLiteral("lblScanning"));
    prgScanning = new QProgressBar(doIt);
    prgScanning->setObjectName(QStringLiteral("prgScanning"));

    // Each choice below its page's text; a list beside the choice it serves.
    auto place = [](QWidget* page, QRadioButton* first, QRadioButton* second, QComboBox* list) {
        auto* choices = new QGridLayout;
        choices->addWidget(first, 0, 0);
        choices->addWidget(second, 1, 0);
        choices->addWidget(list, 1, 1);
        choices->setColumnStretch(1, 1);
        auto* layout = static_cast<QVBoxLayout*>(page->layout());
        layout->addLayout(choices);
        layout->addStretch();
        QObject::connect(second, &QRadioButton::toggled, list, &QWidget::setEnabled);
    };
    place(owner, rdoOwnerDelete, rdoOwnerTransfer, cmbOwner);
    place(assigned, rdoAssignedDelete, rdoAssignedAssign, cmbAssigned);
    auto* doItLayout = static_cast<QVBoxLayout*>(doIt->layout());
    doItLayout->addWidget(lblScanning);
    doItLayout->addWidget(prgScanning);
    doItLayout->addStretch();

    TActionFactory factory(*this);
    actPrev = factory.Make("actPrev", "< &Prev", "", {}, this, &TfrmDeleteUser::actPrevExecute);
    actNext = factory.Make("actNext", "&Next >", "", {}, this, &TfrmDeleteUser::actNextExecute);
    actDelete = factory.Make("actDelete", "&Delete", "", {}, this, &TfrmDeleteUser::actDeleteExecute);
    actCancel = factory.Make("actCancel", "&Cancel", "", {}, this, &TfrmDeleteUser::actCancelExecute);
    auto* buttons = new TButtonRow(this);
    btnPrev = buttons->Add("btnPrev", actPrev);
    btnNext = buttons->Add("btnNext", actNext);
    btnDelete = buttons->Add("btnDelete", actDelete);
    btnCancel = buttons->Add("btnCancel", actCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nbkMain, 1);
    layout->addWidget(buttons);
    resize(440, 260);
    UpdateActions();
}

QWidget* TfrmDeleteUser::MakePage(const char* name, const char* text)
{
    auto* page = new QWidget(nbkMain);
    page->setObjectName(QString::fromLatin1(name));
    auto* label = new QLabel(QString::fromLatin1(text), page);
    label->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    nbkMain->addWidget(page);
    return page;
}

int TfrmDeleteUser::Execute(const std::string& userId, TOrbekoDB& database)
{
    UserId_ = userId;
    TExecuteScope scope;
    scope.Bind(Db_, &database);
    ShowPage(pgIntro);
    rdoOwnerTransfer->setChecked(true);
    cmbOwner->setEnabled(true);
    rdoAssignedAssign->setChecked(true);
    cmbAssigned->setEnabled(true);
    lblScanning->hide();
    prgScanning->hide();
    FillOtherUsers();
    try {
        TUserDeletion(database, {userId, {}, {}}).RefuseLastAdministrator();
    } catch (const ELastAdministrator& refusal) {
        Info(refusal.what());
        return QDialog::Rejected;
    }
    nbkMain->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmDeleteUser::FillOtherUsers()
{
    cmbOwner->clear();
    cmbAssigned->clear();
    UserName_.clear();
    for (const TUserEntry& entry : TUserAccounts(Db_->UserFile).All()) {
        if (entry.Id == UserId_) {
            UserName_ = FieldText(entry.User.UserName);
            continue;
        }
        const QString name = FieldString(entry.User.FullName);
        cmbOwner->addItem(name, QVariant::fromValue(IdValue(entry.Id)));
        cmbAssigned->addItem(name, QVariant::fromValue(IdValue(entry.Id)));
    }
    if (cmbOwner->count() == 0)
        throw std::runtime_error("Unable to read any user details");
    cmbOwner->setCurrentIndex(0);
    cmbAssigned->setCurrentIndex(0);
}

void TfrmDeleteUser::ShowPage(int index)
{
    nbkMain->setCurrentIndex(index);
    UpdateActions();
}

void TfrmDeleteUser::UpdateActions()
{
    const int page = nbkMain->currentIndex();
    actPrev->setEnabled(!Running_ && page > pgIntro);
    actNext->setEnabled(!Running_ && page < pgDoIt);
    actDelete->setEnabled(!Running_ && page == pgDoIt);
    actCancel->setEnabled(!Running_);
}

void TfrmDeleteUser::actPrevExecute()
{
    if (actPrev->isEnabled())
        ShowPage(nbkMain->currentIndex() - 1);
}

void TfrmDeleteUser::actNextExecute()
{
    if (actNext->isEnabled())
        ShowPage(nbkMain->currentIndex() + 1);
}

void TfrmDeleteUser::actCancelExecute()
{
    if (actCancel->isEnabled())
        QDialog::reject();
}

void TfrmDeleteUser::reject()
{
    actCancelExecute();
}

TUserDeletionPlan TfrmDeleteUser::Plan() const
{
    auto chosen = [](const QRadioButton* keep, const QComboBox* list) {
        return keep->isChecked() ? IdText(list->currentData().toLongLong()) : std::string();
    };
    return {UserId_, chosen(rdoOwnerTransfer, cmbOwner), chosen(rdoAssignedAssign, cmbAssigned)};
}

void TfrmDeleteUser::Step()
{
    prgScanning->setValue(prgScanning->value() + 1);
    if (SincePaint_.elapsed() < kPaintIntervalMs)
        return;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    SincePaint_.restart();
}

bool TfrmDeleteUser::GoOnThoughLoggedIn()
{
    std::vector<std::string> hosts;
    try {
        hosts = TWorkstations::HostsOf(Db_->RootPath, UserId_);
    } catch (const std::runtime_error&) {
        // A presence file that cannot be read tells nothing either way.
    }
    if (hosts.empty())
        return true;
    QString where;
    for (const std::string& host : hosts)
        where += (where.isEmpty() ? QString() : QStringLiteral(", ")) + QString::fromStdString(host);
    const QString name = DecodeText(UserName_);
    return TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo,
                             QStringLiteral("%1 is logged in on %2.\r\rIf you delete him now, his workstation logs "
                                            "him out and he loses what he has not saved.\r\rDelete %1 anyway?")
                                 .arg(name, where)) == TMessageAnswer::Yes;
}

void TfrmDeleteUser::actDeleteExecute()
{
    if (!Db_ || !actDelete->isEnabled())
        return;
    if (!GoOnThoughLoggedIn())
        return;
    bool alarmsDeleted = false;
    std::string refusal;
    {
        const TWaitCursor wait;
        struct TRunning
        {
            TfrmDeleteUser& Form;
            explicit TRunning(TfrmDeleteUser& form) : Form(form)
            {
                Form.Running_ = true;
                Form.UpdateActions();
            }
            ~TRunning()
            {
                Form.Running_ = false;
                Form.UpdateActions();
            }
        } running(*this);
        lblScanning->show();
        prgScanning->show();
        TUserDeletion deletion(*Db_, Plan());
        deletion.OnStart = [this](int32_t count) {
            prgScanning->setRange(0, count);
            prgScanning->setValue(0);
            SincePaint_.start();
        };
        deletion.OnStep = [this] { Step(); };
        // The files are opened again whatever the outcome, so the users
        // file shows what the run left; a failure there joins the run's own.
        try {
            alarmsDeleted = deletion.Run();
        } catch (const ELastAdministrator& error) {
            // Someone took the right from the others since the wizard
            // opened; nothing has been changed.
            refusal = error.what();
        } catch (const std::exception& error) {
            try {
                Db_->Reopen();
            } catch (const std::exception& reopen) {
                throw std::runtime_error(std::string(error.what()) + "\r\r" + reopen.what());
            }
            throw;
        }
        Db_->Reopen();
    }
    if (!refusal.empty()) {
        Info(refusal);
        return;
    }
    if (alarmsDeleted)
        Info("Some alarms associated with this user were deleted");
    accept();
}

#include "app/frmMain.h"

#include "OrbekoVersion.h"
#include "admin/frmCategories.h"
#include "admin/frmTrouble.h"
#include "admin/frmUsers.h"
#include "app/AccountName.h"
#include "app/AlarmMonitor.h"
#include "app/DatabaseShell.h"
#include "app/EventDragging.h"
#include "app/FolderTrust.h"
#include "app/HelpWindow.h"
#include "app/ICalCommands.h"
#include "app/InstanceLock.h"
#include "app/SessionFollower.h"
#include "app/MainCommands.h"
#include "app/TimerPause.h"
#include "app/ViewFeeder.h"
#include "app/ViewNotebook.h"
#include "app/frmDate.h"
#include "app/frmDateRange.h"
#include "app/frmLogin.h"
#include "app/frmNotify.h"
#include "events/frmEvent.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmFiltering.h"
#include "prefs/frmGroups.h"
#include "prefs/frmOptions.h"
#include "report/frmReport.h"
#include "storage/Clock.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "ui/AccessibleNames.h"
#include "ui/FailureNote.h"
#include "ui/MessageBox.h"
#include "ui/TrayIcon.h"
#include "views/DayView.h"
#include "views/MonthView.h"
#include "views/WeekView.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <exception>

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), AccountNameSource_(AccountName)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orbeko"));
    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);
    setMinimumSize(427, 320);

    tmrMain = new QTimer(this);
    tmrMain->setObjectName(QStringLiteral("tmrMain"));
    tmrMain->setInterval(10000);
    // Precise, so that a due alarm shows within the ten seconds.
    tmrMain->setTimerType(Qt::PreciseTimer);
    connect(tmrMain, &QTimer::timeout, this, &TfrmMain::tmrMainTimer);

    CreateViews();
    CreateCommands();
    traMain = new TTrayIcon(*this, style()->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Orbeko"));
    traMain->OnRestore = [this] { RefreshView(); };

    frmLogin = new TfrmLogin(this);
    frmDate = new TfrmDate(this);
    frmDateRange = new TfrmDateRange(this);
    frmHelp = new THelpWindow(this);
    frmNotify = new TfrmNotify(this);
    frmEvent = new TfrmEvent(this);
    frmGroups = new TfrmGroups(this);
    frmOptions = new TfrmOptions(this);
    frmFiltering = new TfrmFiltering(this);
    frmReport = new TfrmReport(this);
    frmUsers = new TfrmUsers(this);
    frmCategories = new TfrmCategories(this);
    frmTrouble = new TfrmTrouble(this);
    TAccessibleNames::Apply(*this);

    // The window takes 8/10 of the screen in each direction.
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QSize size = screen->geometry().size();
        resize(size.width() * 8 / 10, size.height() * 8 / 10);
    }
}

TfrmMain::~TfrmMain()
{
    ShutDown();
}

void TfrmMain::CreateViews()
{
    nbkMain = new TViewNotebook;
    using namespace std::placeholders;
    for (TCalendarView* view : nbkMain->Views()) {
        view->OnWantDayEntries = std::bind(&TfrmMain::wvMainWantDayEntries, this, _1, _2, _3);
        view->OnWantUserName = std::bind(&TfrmMain::wvMainWantUserName, this, _1, _2, _3);
        view->OnWantAlarmedFlag = std::bind(&TfrmMain::wvMainWantAlarmedFlag, this, _1, _2, _3);
        view->OnWantRepeatedFlag = std::bind(&TfrmMain::wvMainWantRepeatedFlag, this, _1, _2, _3);
        view->OnWantCategoryDescription = std::bind(&TfrmMain::wvMainWantCategoryDescription, this, _1, _2, _3);
        view->OnWantCategoryColour = std::bind(&TfrmMain::wvMainWantCategoryColour, this, _1, _2, _3);
    }
    Dragging_ = std::make_unique<TEventDragging>(*this, nbkMain->Views());
    nbkMain->WeekView().OnDblClick = [this](QObject* sender) { wvMainDblClick(sender); };
    nbkMain->MonthView().OnOpenDay = [this](QObject*) { ShowView(nbkMain->DayView()); };

    setCentralWidget(nbkMain->MainArea());
    statusBar()->setObjectName(QStringLiteral("pnlStatus"));
}

void TfrmMain::CreateCommands()
{
    Commands_ = std::make_unique<TMainCommands>(*this);
    for (TCalendarView* view : nbkMain->Views())
        view->SetPopupMenu(&Commands_->Popup());
    Commands_->UpdateAll();
}

bool TfrmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && FirstActivation_)
        FormActivate();
    return QMainWindow::event(event);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window that never becomes active (no window manager) still starts.
    if (FirstActivation_)
        QTimer::singleShot(0, this, [this] {
            if (FirstActivation_)
                FormActivate();
        });
    else
        actTodayExecute();
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    RefreshView();
}

void TfrmMain::FormActivate()
{
    if (!FirstActivation_)
        return;
    nbkMain->ShowPage(nbkMain->WeekView());
    Commands_->UpdateAll();
    FirstActivation_ = false;
    try {
        if (!StartUp())
            EndProgram();
        Commands_->Schedule();
    } catch (const std::exception& error) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromStdString(error.what()));
        EndProgram();
    }
}

bool TfrmMain::StartUp()
{
    InstanceMutex_ = std::make_unique<TInstanceLock>();
    if (!InstanceMutex_->Acquire()) {
        InstanceMutex_.reset();
        setGeometry(-10000, -10000, 0, 0);
        hide();
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          QStringLiteral("Orbeko is already running on this workstation"));
        return false;
    }

    Settings_ = std::make_unique<TOrbekoCfg>();
    Settings_->Load();
    Settings_->ApplyToViews(nbkMain->Views());
    frmNotify->SetSettings(Settings_.get());

    TDatabaseShell shell;
    MainDb_ = shell.Connect();
    if (!MainDb_)
        return false;
    const auto followOthers = [this] {
        // Another workstation, or this one, wrote since the last look.
        if (Feeder_ && Feeder_->DataMoved()) {
            ActiveView().Refresh();
            Commands_->Schedule();
        }
    };
    Monitor_ = std::make_unique<TAlarmMonitor>(std::make_unique<TOrbekoDB>(shell), *frmNotify,
                                               TAlarmMonitor::TReactions{followOthers, [this] { RefreshView(); },
                                                                         [this](int due) { traMain->ShowDue(due); }});
    FailureNote_ = std::make_unique<TFailureNote>(*MainDb_);
    FolderTrust_ = std::make_unique<TFolderTrust>(std::chrono::milliseconds(tmrMain->interval()));
    if (!FolderTrust_->Open(MainDb_->RootPath))
        return false;
    Follower_ = std::make_unique<TSessionFollower>(
        Session_, *MainDb_, *frmLogin, *tmrMain, FolderTrust_.get(), AccountNameSource_,
        TSessionFollower::TReactions{[this] {
                                         Commands_->UpdateAll();
                                         ActiveView().Refresh();
                                     },
                                     [this] {
                                         Commands_->UpdateAll();
                                         RefreshView();
                                     },
                                     [this] { EndProgram(); }});
    if (!Follower_->AtStartUp())
        return false;
    Feeder_ = std::make_unique<TViewFeeder>(*MainDb_, ViewRules_, Session_);
    tmrMain->start();
    nbkMain->WeekView().Reload();
    return true;
}

void TfrmMain::EndProgram()
{
    Ended_ = true;
    tmrMain->stop();
    hide();
    emit ProgramEnded();
}

void TfrmMain::ShutDown()
{
    tmrMain->stop();
    InstanceMutex_.reset();
    FolderTrust_.reset();
    if (Settings_) {
        try {
            Settings_->TakeFromViews(*nbkMain->Views().front());
            Settings_->Save();
        } catch (const std::exception& error) {
            TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromStdString(error.what()));
        }
        frmNotify->SetSettings(nullptr);
        Settings_.reset();
    }
    Monitor_.reset();
    Feeder_.reset();
    Follower_.reset();
    FailureNote_.reset();
    MainDb_.reset();
}

TCalendarView& TfrmMain::ActiveView() const
{
    return nbkMain->Active();
}

void TfrmMain::UpdateCommands()
{
    Commands_->UpdateAll();
}

void TfrmMain::CheckAdministrator(QAction& Sender) const
{
    Sender.setEnabled(Session_.HasRight(urAdminister));
}

void TfrmMain::ShowView(TCalendarView& view)
{
    nbkMain->SwitchTo(view);
    // The check marks follow at once, also back onto a view chosen again.
    Commands_->UpdateAll();
}

void TfrmMain::RefreshView()
{
    ActiveView().Reload();
    // A reload may have changed the selection the commands depend on.
    Commands_->Schedule();
}

bool TfrmMain::FollowSession()
{
    return Follower_ && Follower_->Follow();
}

bool TfrmMain::MayRun(void (TfrmMain::*rule)(QAction&) const, const char* action)
{
    if (!FollowSession())
        return false;
    QAction& command = Commands_->Action(action);
    (this->*rule)(command);
    return command.isEnabled();
}

void TfrmMain::wvMainWantDayEntries(QObject*, const std::string& DatePkVal, TDayEntries& DayEntries)
{
    if (Feeder_)
        Feeder_->DayEntries(DatePkVal, DayEntries);
}

void TfrmMain::wvMainWantUserName(QObject*, const std::string& Pk, std::string& Name)
{
    if (Feeder_)
        Name = Feeder_->UserName(Pk);
}

void TfrmMain::wvMainWantAlarmedFlag(QObject*, const std::string& Pk, bool& Alarmed)
{
    if (Feeder_)
        Alarmed = Feeder_->Alarmed(Pk);
}

void TfrmMain::wvMainWantRepeatedFlag(QObject*, const std::string& Pk, bool& Repeated)
{
    if (Feeder_)
        Repeated = Feeder_->Repeated(Pk);
}

void TfrmMain::wvMainWantCategoryDescription(QObject*, const std::string& Pk, std::string& Description)
{
    if (Feeder_)
        Description = Feeder_->CategoryDescription(Pk);
}

void TfrmMain::wvMainWantCategoryColour(QObject*, const std::string& Pk, QColor& Colour)
{
    if (!Feeder_)
        return;
    if (const std::optional<uint32_t> own = Feeder_->CategoryColour(Pk))
        Colour = QColor::fromRgb(*own);
}

void TfrmMain::actFileLoginExecute()
{
    if (Follower_)
        Follower_->AsAnotherUser();
}

void TfrmMain::actFileExportUpdate(QAction& Sender) const
{
    Sender.setEnabled(MainDb_ && Session_.LoggedIn());
}

void TfrmMain::actFileImportUpdate(QAction& Sender) const
{
    Sender.setEnabled(MainDb_ && Session_.LoggedIn() && Session_.HasRight(urAddEntries));
}

void TfrmMain::actFileExportExecute()
{
    QAction& action = Commands_->Action("actFileExport");
    actFileExportUpdate(action);
    if (!action.isEnabled())
        return;
    const auto [from, to] = ActiveView().DefaultRange();
    TICalCommands(*MainDb_, *frmDateRange, this).RunExport(CommandUser(), from, to);
}

// Recurring events are repeated over a year from the first day shown.
void TfrmMain::actFileImportExecute()
{
    const TTimerPause pause(*tmrMain);
    if (!MayRun(&TfrmMain::actFileImportUpdate, "actFileImport"))
        return;
    const QDate from = ActiveView().DefaultRange().first;
    try {
        RefreshViewWhen(TICalCommands(*MainDb_, *frmDateRange, this)
                            .RunImport(Session_.UserId(), from, from.addYears(1).addDays(-1)));
    } catch (...) {
        // What was added before the failure shows.
        RefreshView();
        throw;
    }
}

void TfrmMain::actFileExitExecute()
{
    if (TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo,
                          QStringLiteral("Terminate Orbeko and suspend all of your personal alarms. Are you sure?")) ==
        TMessageAnswer::Yes)
        close();
}

void TfrmMain::mnuFileChangePathClick()
{
    if (TMessageBox::Show(TMessageKind::Warning, TMessageButtons::OkCancel,
                          QStringLiteral("Change the Orbeko Database location, Are you sure?")) != TMessageAnswer::Ok)
        return;
    auto key = TRegistryKey::Open(false);
    if (!key || !key->DeleteValue(QStringLiteral("RootPath")))
        return;
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                      QStringLiteral("Please restart Orbeko to choose the new database location"));
    EndProgram();
}

void TfrmMain::actHelpAboutExecute()
{
    frmHelp->ShowTopic(QString::fromLatin1(THelpWindow::Contents));
}

void TfrmMain::actHelpInfoExecute()
{
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                      QStringLiteral("Orbeko version ") + QString::fromUtf8(kOrbekoVersion));
}

void TfrmMain::actTodayExecute()
{
    ActiveView().ShowDate(TClock::Now());
}

void TfrmMain::actPrevExecute()
{
    ActiveView().Step(-1);
}

void TfrmMain::actNextExecute()
{
    ActiveView().Step(1);
}

void TfrmMain::actDateExecute()
{
    frmDate->ShowFor(ActiveView(), TClock::Now());
}

void TfrmMain::actToolsViewDayUpdate(QAction& Sender) const
{
    Sender.setChecked(&ActiveView() == &nbkMain->DayView());
}

void TfrmMain::actToolsViewDayExecute()
{
    ShowView(nbkMain->DayView());
}

void TfrmMain::actToolsViewWeekUpdate(QAction& Sender) const
{
    Sender.setChecked(&ActiveView() == &nbkMain->WeekView());
}

void TfrmMain::actToolsViewWeekExecute()
{
    ShowView(nbkMain->WeekView());
}

void TfrmMain::actToolsViewMonthUpdate(QAction& Sender) const
{
    Sender.setChecked(&ActiveView() == &nbkMain->MonthView());
}

void TfrmMain::actToolsViewMonthExecute()
{
    ShowView(nbkMain->MonthView());
}

void TfrmMain::actToolsOptionsExecute()
{
    if (Settings_)
        frmOptions->Execute(nbkMain->Views(), *Settings_);
}

void TfrmMain::actToolsFilteringExecute()
{
    if (!Settings_ || !MainDb_)
        return;
    if (frmFiltering->Execute(*Settings_, *MainDb_, ViewRules_) != QDialog::Accepted)
        return;
    RefreshView();
    setWindowTitle(QString::fromLatin1(ViewRules_.Caption()));
}

// Groups belong to the workstation: any user may change them.
void TfrmMain::actToolsGroupsExecute()
{
    if (Settings_ && MainDb_)
        frmGroups->Execute(*Settings_, *MainDb_);
}

void TfrmMain::actToolsReportExecute()
{
    if (Settings_ && MainDb_)
        frmReport->Execute(*Settings_, *MainDb_, Session_);
}

void TfrmMain::actUsersExecute()
{
    if (!MainDb_ || !MayRun(&TfrmMain::CheckAdministrator, "actUsers"))
        return;
    frmUsers->Execute(Session_.UserId(), *MainDb_);
    // The rights changed in the dialog, his own among them, apply now.
    if (FollowSession())
        RefreshView();
}

// Events show a renamed or deleted category at once.
void TfrmMain::actCategoriesExecute()
{
    if (!MainDb_ || !MayRun(&TfrmMain::CheckAdministrator, "actCategories"))
        return;
    frmCategories->Execute(*MainDb_);
    RefreshView();
}

void TfrmMain::actTroubleshootingExecute()
{
    if (MainDb_ && MayRun(&TfrmMain::CheckAdministrator, "actTroubleshooting"))
        frmTrouble->Execute(*MainDb_);
}

TEventSelection TfrmMain::ActiveSelection() const
{
    const TCalendarView& view = ActiveView();
    return {view.SelectedId(), view.SelectedDescription(), view.CurrentDateText()};
}

TEventUser TfrmMain::CommandUser() const
{
    return {Session_, ViewRules_};
}

void TfrmMain::SelectionRule(QAction& action) const
{
    const TCalendarView& view = ActiveView();
    if (view.SelectedId() == kNoneId) {
        action.setEnabled(false);
        return;
    }
    action.setEnabled(view.SelectedOwnerId() == Session_.UserId() || Session_.HasRight(urModifyOthers));
}

void TfrmMain::RefreshViewWhen(bool changed)
{
    if (changed)
        RefreshView();
}

void TfrmMain::actEventNewUpdate(QAction& Sender) const
{
    Sender.setEnabled(Session_.HasRight(urAddEntries));
}

void TfrmMain::actEventPropertiesUpdate(QAction& Sender) const
{
    SelectionRule(Sender);
}

void TfrmMain::actEventDeleteUpdate(QAction& Sender) const
{
    SelectionRule(Sender);
}

void TfrmMain::actEventNewExecute()
{
    if (!MayRun(&TfrmMain::actEventNewUpdate, "actEventNew"))
        return;
    RefreshViewWhen(TEventCommands(*MainDb_).RunNew(*frmEvent, *Settings_, CommandUser(), ActiveSelection()));
}

void TfrmMain::actEventPropertiesExecute()
{
    if (!MayRun(&TfrmMain::actEventPropertiesUpdate, "actEventProperties"))
        return;
    RefreshViewWhen(
        TEventCommands(*MainDb_).RunProperties(*frmEvent, *Settings_, CommandUser(), ActiveSelection()));
}

void TfrmMain::actEventDeleteExecute()
{
    if (!MayRun(&TfrmMain::actEventDeleteUpdate, "actEventDelete"))
        return;
    RefreshViewWhen(TEventCommands(*MainDb_).RunDelete(CommandUser(), ActiveSelection()));
}

void TfrmMain::wvMainDblClick(QObject*)
{
    QAction& properties = Commands_->Action("actEventProperties");
    QAction& add = Commands_->Action("actEventNew");
    actEventPropertiesUpdate(properties);
    actEventNewUpdate(add);
    if (properties.isEnabled())
        actEventPropertiesExecute();
    else if (add.isEnabled())
        actEventNewExecute();
}

void TfrmMain::tmrMainTimer()
{
    const TTimerPause pause(*tmrMain);
    if (FolderTrust_)
        FolderTrust_->Beat();
    if (Monitor_ && FollowSession())
        Monitor_->Tick(Session_.UserId());
}

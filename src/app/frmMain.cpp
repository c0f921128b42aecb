#include "app/frmMain.h"

#include "admin/frmCategories.h"
#include "admin/frmTrouble.h"
#include "admin/frmUsers.h"
#include "app/AccountName.h"
#include "app/AlarmScan.h"
#include "app/DatabaseShell.h"
#include "app/FolderTrust.h"
#include "app/HelpWindow.h"
#include "app/ICalCommands.h"
#include "app/InstanceLock.h"
#include "app/TimerPause.h"
#include "app/ViewFeeder.h"
#include "app/frmDate.h"
#include "app/frmDateRange.h"
#include "app/frmLogin.h"
#include "app/frmNotify.h"
#include "OrbekoVersion.h"
#include "events/EventCommands.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmFiltering.h"
#include "prefs/frmGroups.h"
#include "prefs/frmOptions.h"
#include "storage/KeyWalk.h"
#include "report/frmReport.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "storage/Stamp.h"
#include "ui/ActionFactory.h"
#include "ui/ActionUpdater.h"
#include "storage/Clock.h"
#include "ui/MessageBox.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const char* const kDayPage = "DayView";
const char* const kWeekPage = "WeekView";
const char* const kLoginFailed = "You have failed to login. Please contact your administrator";
constexpr int32_t kFirstAdministratorRights = urAddEntries | urAdminister | urModifyOthers;

// The window's caption names the filter of the views.
const char* FilterCaption(uint8_t mode)
{
    switch (mode) {
    case fmJustForMe:
        return "Orbeko - Filter On Me";
    case fmListedUsers:
        return "Orbeko - Filter On Users";
    default:
        return "Orbeko";
    }
}

std::string UpperName(const std::string& name)
{
    return EncodeText(DecodeText(name).toUpper(), sizeof(TUserRec::UserName));
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orbeko"));
    AccountNameSource = AccountName;
    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);
    setMinimumSize(427, 320);

    actMain = new TActionUpdater(this);
    CreateActions();
    CreateViews();
    CreateMenus();
    actMain->UpdateAll();

    tmrMain = new QTimer(this);
    tmrMain->setObjectName(QStringLiteral("tmrMain"));
    tmrMain->setInterval(10000);
    // Precise, so that a due alarm shows within the ten seconds.
    tmrMain->setTimerType(Qt::PreciseTimer);
    connect(tmrMain, &QTimer::timeout, this, &TfrmMain::tmrMainTimer);

    traMain = new QSystemTrayIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView), this);
    traMain->setToolTip(QStringLiteral("Orbeko"));
    connect(traMain, &QSystemTrayIcon::activated, this, [this] {
        traMain->hide();
        showNormal();
        activateWindow();
        RefreshView();
    });

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

void TfrmMain::CreateActions()
{
    QStyle* s = style();
    TActionFactory factory(*this);
    auto make = [this, &factory](const char* name, const char* caption, const char* hint, QKeySequence shortcut,
                                 void (TfrmMain::*handler)(), QIcon icon = {}) {
        return factory.Make(name, caption, hint, shortcut, this, handler, icon);
    };
    actFileLogin = make("actFileLogin", "&Login", "Login to Orbeko as another user", {},
                        &TfrmMain::actFileLoginExecute, s->standardIcon(QStyle::SP_DialogApplyButton));
    mnuFileChangePath = make("mnuFileChangePath", "&Change path", "Chnages the database path", {},
                             &TfrmMain::mnuFileChangePathClick, s->standardIcon(QStyle::SP_DirOpenIcon));
    actFileExport = make("actFileExport", "&Export to iCalendar...",
                         "Write the events you can see to an iCalendar file", {}, &TfrmMain::actFileExportExecute,
                         s->standardIcon(QStyle::SP_DialogSaveButton));
    actFileImport = make("actFileImport", "&Import iCalendar...", "Add the events of an iCalendar file", {},
                         &TfrmMain::actFileImportExecute, s->standardIcon(QStyle::SP_DialogOpenButton));
    actMain->Add([this] { actFileExportUpdate(); });
    actMain->Add([this] { actFileImportUpdate(); });
    actFileExit = make("actFileExit", "E&xit", "Quit Orbeko", QKeySequence(Qt::CTRL | Qt::Key_X),
                       &TfrmMain::actFileExitExecute, s->standardIcon(QStyle::SP_DialogCloseButton));
    actToday = make("actToday", "&Today", "Goto today", QKeySequence(Qt::CTRL | Qt::Key_T),
                    &TfrmMain::actTodayExecute, s->standardIcon(QStyle::SP_BrowserReload));
    actDate = make("actDate", "&Date...", "Goto a specific date", QKeySequence(Qt::CTRL | Qt::Key_D),
                   &TfrmMain::actDateExecute, s->standardIcon(QStyle::SP_FileDialogContentsView));
    actPrev = make("actPrev", "&Previous week", "Goto the previous week / day", QKeySequence(Qt::CTRL | Qt::Key_P),
                   &TfrmMain::actPrevExecute, s->standardIcon(QStyle::SP_ArrowLeft));
    actNext = make("actNext", "&Next week", "Goto the next week / day", QKeySequence(Qt::CTRL | Qt::Key_N),
                   &TfrmMain::actNextExecute, s->standardIcon(QStyle::SP_ArrowRight));
    actToolsViewDay = make("actToolsViewDay", "By &day", "View events by day", {},
                           &TfrmMain::actToolsViewDayExecute, s->standardIcon(QStyle::SP_FileIcon));
    actToolsViewWeek = make("actToolsViewWeek", "By &week", "View events by week", {},
                            &TfrmMain::actToolsViewWeekExecute, s->standardIcon(QStyle::SP_FileDialogListView));
    actToolsOptions = make("actToolsOptions", "&Options...", "Configure Orbeko options", {},
                           &TfrmMain::actToolsOptionsExecute, s->standardIcon(QStyle::SP_ComputerIcon));
    actToolsFiltering = make("actToolsFiltering", "&Filtering...", "Set filtering rules", {},
                             &TfrmMain::actToolsFilteringExecute, s->standardIcon(QStyle::SP_DirHomeIcon));
    actToolsGroups = make("actToolsGroups", "&Groups...", "Configure groups", {}, &TfrmMain::actToolsGroupsExecute,
                          s->standardIcon(QStyle::SP_DirLinkIcon));
    actToolsReport = make("actToolsReport", "&Report...", "Generate a report", {}, &TfrmMain::actToolsReportExecute,
                          s->standardIcon(QStyle::SP_FileDialogDetailedView));
    actToolsViewDay->setCheckable(true);
    actToolsViewWeek->setCheckable(true);
    mnuHelpOrbekoHelp = make("mnuHelpOrbekoHelp", "&Orbeko Help", "", QKeySequence(Qt::Key_F1),
                             &TfrmMain::actHelpAboutExecute, s->standardIcon(QStyle::SP_DialogHelpButton));
    // F1 belongs to the help menu item; the action keeps its caption and hint.
    actHelpAbout = make("actHelpAbout", "&About...", "Help about Orbeko", {}, &TfrmMain::actHelpAboutExecute);
    actHelpInfo = make("actHelpInfo", "About", "", {}, &TfrmMain::actHelpInfoExecute,
                       s->standardIcon(QStyle::SP_MessageBoxInformation));

    actEventNew = make("actEventNew", "&New event...", "Add a new event", QKeySequence(Qt::Key_Insert),
                       &TfrmMain::actEventNewExecute, s->standardIcon(QStyle::SP_FileDialogNewFolder));
    actEventProperties = make("actEventProperties", "Event &properties...", "Modify event properties", {},
                              &TfrmMain::actEventPropertiesExecute, s->standardIcon(QStyle::SP_FileDialogInfoView));
    actEventDelete = make("actEventDelete", "&Delete event...", "Delete event", QKeySequence(Qt::Key_Delete),
                          &TfrmMain::actEventDeleteExecute, s->standardIcon(QStyle::SP_TrashIcon));
    actUsers = make("actUsers", "&Users", "Administer Orbeko users", {}, &TfrmMain::actUsersExecute,
                    s->standardIcon(QStyle::SP_DirHomeIcon));
    actMain->Add([this] { CheckAdministrator(*actUsers); });
    actMain->Add([this] { actEventNewUpdate(); });
    actMain->Add([this] { actEventPropertiesUpdate(); });
    actMain->Add([this] { actEventDeleteUpdate(); });

    actCategories = make("actCategories", "&Categories", "Administer Orbeko categories", {},
                         &TfrmMain::actCategoriesExecute, s->standardIcon(QStyle::SP_FileDialogListView));
    actTroubleshooting = make("actTroubleshooting", "&Troubleshooting...", "", {},
                              &TfrmMain::actTroubleshootingExecute, s->standardIcon(QStyle::SP_MessageBoxWarning));
    actMain->Add([this] { CheckAdministrator(*actCategories); });
    actMain->Add([this] { CheckAdministrator(*actTroubleshooting); });
}

void TfrmMain::CreateViews()
{
    nbkMain = new QStackedWidget;
    nbkMain->setObjectName(QStringLiteral("nbkMain"));
    auto* dayPage = new QWidget;
    dayPage->setObjectName(QLatin1String(kDayPage));
    auto* weekPage = new QWidget;
    weekPage->setObjectName(QLatin1String(kWeekPage));
    dvMain = new TDayView(dayPage);
    dvMain->setObjectName(QStringLiteral("dvMain"));
    wvMain = new TWeekView(weekPage);
    wvMain->setObjectName(QStringLiteral("wvMain"));
    wvMain->setToolTip(QStringLiteral("Right-click for options"));
    for (auto [page, view] : {std::pair<QWidget*, QWidget*>{dayPage, dvMain}, {weekPage, wvMain}}) {
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        nbkMain->addWidget(page);
    }

    const QString dateFormat = QStringLiteral("dddd, dd mmmm, yyyy");
    dvMain->SetDateFormat(dateFormat);
    wvMain->SetDateFormat(dateFormat);
    const QColor window = palette().color(QPalette::Base);
    const QColor buttonFace = palette().color(QPalette::Button);
    dvMain->SetListColor(window);
    wvMain->SetListColor(window);
    dvMain->SetHeaderColor(buttonFace);
    wvMain->SetHeaderColor(buttonFace);
    wvMain->SetBevelOuter(bvNone);
    wvMain->SetDayCtl3D(true);
    wvMain->SetDayBevelOuter(bvNone);
    wvMain->SetDayBevelInner(bvNone);
    wvMain->SetDayBorderStyle(bsNone);
    Views_ = {wvMain, dvMain};
    ConnectViewEvents();

    // A two-pixel spacer under the tool bar, then a splitter whose left pane
    // is empty and closed and whose right pane holds the notebook.
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(0);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setToolTip(QStringLiteral("Drag me"));
    splitter->addWidget(new QWidget);
    splitter->addWidget(nbkMain);
    splitter->setSizes({0, 1});
    layout->addWidget(splitter);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("pnlStatus"));
}

void TfrmMain::ConnectViewEvents()
{
    using namespace std::placeholders;
    auto entries = std::bind(&TfrmMain::wvMainWantDayEntries, this, _1, _2, _3);
    auto names = std::bind(&TfrmMain::wvMainWantUserName, this, _1, _2, _3);
    auto alarms = std::bind(&TfrmMain::wvMainWantAlarmedFlag, this, _1, _2, _3);
    auto categories = std::bind(&TfrmMain::wvMainWantCategoryDescription, this, _1, _2, _3);
    dvMain->OnWantDayEntries = entries;
    dvMain->OnWantUserName = names;
    dvMain->OnWantAlarmedFlag = alarms;
    dvMain->OnWantCategoryDescription = categories;
    wvMain->OnWantDayEntries = entries;
    wvMain->OnWantUserName = names;
    wvMain->OnWantAlarmedFlag = alarms;
    wvMain->OnWantCategoryDescription = categories;
    wvMain->OnDblClick = [this](QObject* sender) { wvMainDblClick(sender); };
}

void TfrmMain::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(actFileLogin);
    file->addSeparator();
    file->addAction(actFileExport);
    file->addAction(actFileImport);
    file->addSeparator();
    file->addAction(mnuFileChangePath);
    file->addSeparator();
    file->addAction(actFileExit);

    QMenu* event = menuBar()->addMenu(QStringLiteral("&Event"));
    event->addAction(actEventNew);
    event->addAction(actEventDelete);
    event->addAction(actEventProperties);

    QMenu* navigate = menuBar()->addMenu(QStringLiteral("&Navigate"));
    navigate->addAction(actToday);
    navigate->addAction(actDate);
    navigate->addSeparator();
    navigate->addAction(actNext);
    navigate->addAction(actPrev);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(actToolsOptions);
    tools->addAction(actToolsFiltering);
    tools->addAction(actToolsGroups);
    tools->addAction(actToolsReport);
    tools->addSeparator();
    QMenu* view = tools->addMenu(QStringLiteral("&View"));
    view->addAction(actToolsViewDay);
    view->addAction(actToolsViewWeek);

    QMenu* admin = menuBar()->addMenu(QStringLiteral("Admin"));
    admin->addAction(actUsers);
    admin->addAction(actCategories);
    admin->addAction(actTroubleshooting);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(mnuHelpOrbekoHelp);
    help->addAction(actHelpInfo);

    tbrTools = addToolBar(QStringLiteral("Tools"));
    tbrTools->setObjectName(QStringLiteral("tbrTools"));
    tbrTools->setMovable(false);
    tbrTools->setIconSize(QSize(16, 16));
    tbrTools->addAction(actEventNew);
    tbrTools->addAction(actEventProperties);
    tbrTools->addAction(actEventDelete);
    tbrTools->addSeparator();
    tbrTools->addAction(actToday);
    tbrTools->addAction(actDate);
    tbrTools->addAction(actPrev);
    tbrTools->addAction(actNext);
    tbrTools->addSeparator();
    tbrTools->addAction(actToolsOptions);
    tbrTools->addAction(actToolsFiltering);
    tbrTools->addAction(actToolsGroups);
    tbrTools->addAction(actToolsReport);
    tbrTools->addAction(actToolsViewDay);
    tbrTools->addAction(actToolsViewWeek);
    tbrTools->addSeparator();
    tbrTools->addAction(actUsers);
    tbrTools->addAction(actCategories);

    mnuPopup = new QMenu(this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopup->addAction(actEventNew);
    mnuPopup->addAction(actEventDelete);
    mnuPopup->addAction(actEventProperties);
    mnuPopup->addSeparator();
    mnuPopup->addAction(actToday);
    mnuPopup->addAction(actDate);
    mnuPopup->addSeparator();
    mnuPopup->addAction(actToolsOptions);
    mnuPopup->addAction(actToolsFiltering);
    mnuPopup->addAction(actToolsGroups);
    mnuPopup->addAction(actToolsReport);
    mnuPopup->addSeparator();
    mnuPopup->addMenu(view);
    dvMain->SetPopupMenu(mnuPopup);
    wvMain->SetPopupMenu(mnuPopup);
}

bool TfrmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && FirstActivation)
        FormActivate();
    return QMainWindow::event(event);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A window that never becomes active (no window manager) still starts.
    if (FirstActivation)
        QTimer::singleShot(0, this, [this] {
            if (FirstActivation)
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

void TfrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && QSystemTrayIcon::isSystemTrayAvailable()) {
        traMain->show();
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

void TfrmMain::FormActivate()
{
    if (!FirstActivation)
        return;
    ShowPage(*wvMain);
    FirstActivation = false;
    try {
        StartUp();
        actMain->Schedule();
    } catch (const std::exception& error) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromStdString(error.what()));
        EndProgram();
    }
}

void TfrmMain::StartUp()
{
    MonitorStamp = std::make_unique<TStamp>();
    ViewRules = std::make_unique<TFilterRules>();

    InstanceMutex = std::make_unique<TInstanceLock>();
    if (!InstanceMutex->Acquire()) {
        InstanceMutex.reset();
        setGeometry(-10000, -10000, 0, 0);
        hide();
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          QStringLiteral("Orbeko is already running on this workstation"));
        EndProgram();
        return;
    }

    Settings = std::make_unique<TOrbekoCfg>();
    Settings->Load();
    Settings->ApplyToViews(Views_);

    TDatabaseShell shell;
    MainDb = shell.Connect();
    if (!MainDb) {
        EndProgram();
        return;
    }
    AlarmDb = std::make_unique<TOrbekoDB>(shell);
    FolderTrust = std::make_unique<TFolderTrust>(std::chrono::milliseconds(tmrMain->interval()));
    if (!FolderTrust->Open(MainDb->RootPath)) {
        EndProgram();
        return;
    }

    const std::string account = AccountNameSource ? AccountNameSource() : std::string();
    if (MainDb->UserFile.RecordCount() == 0) {
        MakeFirstAdministrator(account);
    } else {
        if (!LogIn(UpperName(account))) {
            TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromLatin1(kLoginFailed));
            EndProgram();
            return;
        }
        ReadLoggedInUser();
    }
    CreateFeeder();
    tmrMain->start();
    wvMain->Reload();
}

void TfrmMain::MakeFirstAdministrator(const std::string& account)
{
    const std::string name = UpperName(account.empty() ? std::string("ADMIN") : account);
    TUserRec user;
    MainDb->InitUser(user);
    user.Flags = kFirstAdministratorRights;
    SetField(user.UserName, name);
    SetField(user.FullName, name);
    SetField(user.Abbreviation, name);
    if (!MainDb->UserFile.Add(user, ""))
        throw std::runtime_error(MainDb->UserFile.StatusText());
    Session_ = TSession(MainDb->UserFile.LastKey(), user);
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                      QStringLiteral("Welcome to Orbeko as a new administrator\r\rYour user name is \"") +
                          DecodeText(name) +
                          QStringLiteral("\" and your password is \"<blank>\"\r\rPlease do not forget this information"));
}

bool TfrmMain::LogIn(const std::string& startName)
{
    TUserRec user{};
    SetField(user.UserName, startName);
    return frmLogin->Execute(*MainDb, user) == QDialog::Accepted;
}

void TfrmMain::ReadLoggedInUser()
{
    if (!Session_.LogIn(MainDb->UserFile, EncodeText(frmLogin->edtUserName->text(), sizeof(TUserRec::UserName))))
        throw std::runtime_error(MainDb->UserFile.StatusText());
}

void TfrmMain::CreateFeeder()
{
    Feeder = std::make_unique<TViewFeeder>(*MainDb, *ViewRules, Session_);
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
    InstanceMutex.reset();
    FolderTrust.reset();
    if (Settings) {
        try {
            Settings->TakeFromViews(*wvMain);
            Settings->Save();
        } catch (const std::exception& error) {
            TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromStdString(error.what()));
        }
        Settings.reset();
    }
    AlarmDb.reset();
    Feeder.reset();
    ViewRules.reset();
    MainDb.reset();
    MonitorStamp.reset();
}

void TfrmMain::CheckAdministrator(QAction& action) const
{
    action.setEnabled(Session_.HasRight(urAdminister));
}

bool TfrmMain::WeekViewActive() const
{
    return &ActiveView() == wvMain;
}

TCalendarView& TfrmMain::ActiveView() const
{
    return *nbkMain->currentWidget()->findChild<TCalendarView*>(QString(), Qt::FindDirectChildrenOnly);
}

void TfrmMain::ShowPage(TCalendarView& view)
{
    nbkMain->setCurrentWidget(view.parentWidget());
    UpdateViewChecks();
}

void TfrmMain::UpdateViewChecks()
{
    actToolsViewDay->setChecked(&ActiveView() == dvMain);
    actToolsViewWeek->setChecked(&ActiveView() == wvMain);
}

void TfrmMain::RefreshView()
{
    ActiveView().Reload();
    // A reload may have changed the selection the commands depend on.
    actMain->Schedule();
}

void TfrmMain::FollowOtherWorkstations()
{
    if (!Feeder || !Feeder->DataMoved())
        return;
    ActiveView().Refresh();
    actMain->Schedule();
}

void TfrmMain::wvMainWantDayEntries(QObject*, const std::string& DatePkVal, TDayEntries& DayEntries)
{
    if (Feeder)
        Feeder->DayEntries(DatePkVal, DayEntries);
}

void TfrmMain::wvMainWantUserName(QObject*, const std::string& Pk, std::string& Name)
{
    if (Feeder)
        Name = Feeder->UserName(Pk);
}

void TfrmMain::wvMainWantAlarmedFlag(QObject*, const std::string& Pk, bool& Alarmed)
{
    if (Feeder)
        Alarmed = Feeder->Alarmed(Pk);
}

void TfrmMain::wvMainWantCategoryDescription(QObject*, const std::string& Pk, std::string& Description)
{
    if (Feeder)
        Description = Feeder->CategoryDescription(Pk);
}

void TfrmMain::actFileLoginExecute()
{
    const TTimerPause pause(*tmrMain);
    if (!MainDb)
        return;
    if (!LogIn(FieldText(Session_.User().UserName)))
        throw std::runtime_error(kLoginFailed);
    ReadLoggedInUser();
    RefreshView();
}

void TfrmMain::actFileExportUpdate()
{
    actFileExport->setEnabled(MainDb && Session_.LoggedIn());
}

void TfrmMain::actFileImportUpdate()
{
    actFileImport->setEnabled(MainDb && Session_.LoggedIn() && Session_.HasRight(urAddEntries));
}

void TfrmMain::actFileExportExecute()
{
    actFileExportUpdate();
    if (!actFileExport->isEnabled())
        return;
    const auto [from, to] = ActiveView().DefaultRange();
    TICalCommands(*MainDb, *frmDateRange, this).RunExport(CommandUser(), from, to);
}

// Recurring events are repeated over a year from the first day shown.
void TfrmMain::actFileImportExecute()
{
    actFileImportUpdate();
    if (!actFileImport->isEnabled())
        return;
    const TTimerPause pause(*tmrMain);
    const QDate from = ActiveView().DefaultRange().first;
    try {
        RefreshViewWhen(TICalCommands(*MainDb, *frmDateRange, this).RunImport(Session_.UserId(), from,
                                                                             from.addYears(1).addDays(-1)));
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
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QStringLiteral("Orbeko version ") + QString::fromUtf8(kOrbekoVersion));
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

void TfrmMain::actToolsViewDayExecute()
{
    ShowView(*dvMain);
}

void TfrmMain::actToolsViewWeekExecute()
{
    ShowView(*wvMain);
}

void TfrmMain::ShowView(TCalendarView& view)
{
    TCalendarView& shown = ActiveView();
    if (&view == &shown) {
        // Choosing the shown view again keeps its check mark.
        UpdateViewChecks();
        return;
    }
    view.ShowDate(shown.CurrentDateTime());
    ShowPage(view);
    view.Reload();
}

void TfrmMain::actToolsOptionsExecute()
{
    if (Settings)
        frmOptions->Execute(Views_, *Settings);
}

void TfrmMain::actToolsFilteringExecute()
{
    if (!Settings || !MainDb)
        return;
    if (frmFiltering->Execute(*Settings, *MainDb, *ViewRules) != QDialog::Accepted)
        return;
    RefreshView();
    setWindowTitle(QString::fromLatin1(FilterCaption(ViewRules->Mode)));
}

// Groups belong to the workstation: any user may change them.
void TfrmMain::actToolsGroupsExecute()
{
    if (Settings && MainDb)
        frmGroups->Execute(*Settings, *MainDb);
}

void TfrmMain::actToolsReportExecute()
{
    if (Settings && MainDb)
        frmReport->Execute(*Settings, *MainDb, Session_);
}

void TfrmMain::actUsersExecute()
{
    if (!MainDb || !actUsers->isEnabled())
        return;
    frmUsers->Execute(Session_.UserId(), *MainDb);
    RefreshView();
}

// Events show a renamed or deleted category at once.
void TfrmMain::actCategoriesExecute()
{
    if (!MainDb)
        return;
    frmCategories->Execute(*MainDb);
    RefreshView();
}

void TfrmMain::actTroubleshootingExecute()
{
    if (MainDb)
        frmTrouble->Execute(*MainDb);
}

TEventSelection TfrmMain::ActiveSelection() const
{
    const TCalendarView& view = ActiveView();
    return {view.SelectedId(), view.SelectedDescription(), view.CurrentDateText()};
}

TEventUser TfrmMain::CommandUser() const
{
    return {Session_, *ViewRules};
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

void TfrmMain::actEventNewUpdate()
{
    actEventNew->setEnabled(Session_.HasRight(urAddEntries));
}

void TfrmMain::actEventPropertiesUpdate()
{
    SelectionRule(*actEventProperties);
}

void TfrmMain::actEventDeleteUpdate()
{
    SelectionRule(*actEventDelete);
}

void TfrmMain::actEventNewExecute()
{
    RefreshViewWhen(TEventCommands(*MainDb).RunNew(*frmEvent, *Settings, CommandUser(), ActiveSelection()));
}

void TfrmMain::actEventPropertiesExecute()
{
    RefreshViewWhen(TEventCommands(*MainDb).RunProperties(*frmEvent, *Settings, CommandUser(), ActiveSelection()));
}

void TfrmMain::actEventDeleteExecute()
{
    RefreshViewWhen(TEventCommands(*MainDb).RunDelete(ActiveSelection()));
}

void TfrmMain::wvMainDblClick(QObject*)
{
    actEventPropertiesUpdate();
    actEventNewUpdate();
    if (actEventProperties->isEnabled())
        actEventPropertiesExecute();
    else if (actEventNew->isEnabled())
        actEventNewExecute();
}

void TfrmMain::tmrMainTimer()
{
    const TTimerPause pause(*tmrMain);
    if (FolderTrust)
        FolderTrust->Beat();
    if (!AlarmDb)
        return;
    FollowOtherWorkstations();
    TAlarmScan scan(AlarmDb->AlarmFile, Session_.UserId());
    scan.Run(*MonitorStamp, [this](TAlarmRec& alarm, const std::string& alarmId) {
        const bool written = frmNotify->Execute(alarm, alarmId, *AlarmDb) != TfrmNotify::Failed;
        RefreshView();
        return written;
    });
}

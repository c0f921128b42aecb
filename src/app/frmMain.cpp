#include "app/frmMain.h"

#include "admin/frmCategories.h"
#include "admin/frmTrouble.h"
#include "admin/frmUsers.h"
#include "app/AccountName.h"
#include "app/AlarmScan.h"
#include "app/DatabaseShell.h"
#include "app/HelpWindow.h"
#include "app/InstanceLock.h"
#include "app/TimerPause.h"
#include "app/frmDate.h"
#include "app/frmLogin.h"
#include "app/frmNotify.h"
#include "events/EventCommands.h"
#include "events/LockedEvent.h"
#include "events/frmEvent.h"
#include "prefs/FilterRules.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmGroups.h"
#include "storage/OrbekoCache.h"
#include "storage/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "storage/Stamp.h"
#include "ui/ActionUpdater.h"
#include "ui/Clock.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"
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
const char* const kEntryHidden = "This entry will not be displayed due to your privaledges / filtering options";
const char* const kNoEntry = "0000000000";
constexpr int32_t kFirstAdministratorRights = urAddEntries | urAdminister | urModifyOthers;
constexpr int kUserNameWidth = 10;

std::string UpperName(const std::string& name)
{
    return QString::fromStdString(name).toUpper().toLatin1().left(kUserNameWidth).toStdString();
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
    frmHelp = new THelpWindow(this);
    frmNotify = new TfrmNotify(this);
    frmEvent = new TfrmEvent(this);
    frmGroups = new TfrmGroups(this);
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
    auto make = [this](const char* name, const char* caption, const char* hint, QKeySequence shortcut,
                       void (TfrmMain::*handler)(), QIcon icon = {}) {
        auto* action = new QAction(icon, QString::fromLatin1(caption), this);
        action->setObjectName(QString::fromLatin1(name));
        action->setStatusTip(QString::fromLatin1(hint));
        action->setToolTip(QString::fromLatin1(hint));
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };
    actFileLogin = make("actFileLogin", "&Login", "Login to Orbeko as another user", {},
                        &TfrmMain::actFileLoginExecute, s->standardIcon(QStyle::SP_DialogApplyButton));
    mnuFileChangePath = make("mnuFileChangePath", "&Change path", "Chnages the database path", {},
                             &TfrmMain::mnuFileChangePathClick, s->standardIcon(QStyle::SP_DirOpenIcon));
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
    actToolsGroups = make("actToolsGroups", "&Groups...", "Configure groups", {}, &TfrmMain::actToolsGroupsExecute,
                          s->standardIcon(QStyle::SP_DirLinkIcon));
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
    tools->addAction(actToolsGroups);
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
    tbrTools->addAction(actToolsGroups);
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
    mnuPopup->addAction(actToolsGroups);
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
    ShowPage(kWeekPage);
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
    Settings->ApplyToViews(*wvMain, *dvMain);

    TDatabaseShell shell;
    MainDb = shell.Connect();
    if (!MainDb) {
        EndProgram();
        return;
    }
    AlarmDb = std::make_unique<TOrbekoDB>(shell);

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
    CreateCaches();
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
    CurrentUserId = MainDb->UserFile.LastKey();
    CurrentUser = user;
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                      QStringLiteral("Welcome to Orbeko as a new administrator\r\rYour user name is \"") +
                          QString::fromLatin1(name) +
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
    TUserRec user{};
    if (!MainDb->UserFile.GetEqual(user, 3, frmLogin->edtUserName->text().toLatin1().toStdString()))
        throw std::runtime_error(MainDb->UserFile.StatusText());
    CurrentUserId = MainDb->UserFile.LastKey();
    CurrentUser = user;
}

void TfrmMain::CreateCaches()
{
    UserCache = std::make_unique<TUserCache>(MainDb->UserFile.FileName());
    CategoryCache = std::make_unique<TCategoryCache>(MainDb->CategoryFile.FileName());
    UserCache->OnUpdate = [this](TOrbekoCache& cache) { cache.InsertAll(MainDb->UserFile); };
    CategoryCache->OnUpdate = [this](TOrbekoCache& cache) { cache.InsertAll(MainDb->CategoryFile); };
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
    CategoryCache.reset();
    ViewRules.reset();
    UserCache.reset();
    MainDb.reset();
    MonitorStamp.reset();
}

void TfrmMain::CheckAdministrator(QAction& action) const
{
    action.setEnabled((CurrentUser.Flags & urAdminister) != 0);
}

bool TfrmMain::WeekViewActive() const
{
    const QWidget* page = nbkMain->currentWidget();
    return page && page->objectName() == QLatin1String(kWeekPage);
}

void TfrmMain::ShowPage(const char* name)
{
    for (int i = 0; i < nbkMain->count(); ++i)
        if (nbkMain->widget(i)->objectName() == QLatin1String(name))
            nbkMain->setCurrentIndex(i);
    UpdateViewChecks();
}

void TfrmMain::UpdateViewChecks()
{
    actToolsViewDay->setChecked(!WeekViewActive());
    actToolsViewWeek->setChecked(WeekViewActive());
}

void TfrmMain::RefreshView()
{
    if (WeekViewActive())
        wvMain->Reload();
    else
        dvMain->Reload();
    // A reload may have changed the selection the commands depend on.
    actMain->Schedule();
}

void TfrmMain::wvMainWantDayEntries(QObject*, const std::string& DatePkVal, TDayEntries& DayEntries)
{
    if (!MainDb)
        return;
    TXIsamFile& file = MainDb->DayEntryFile;
    const std::string end = IdText(IdValue(DatePkVal) + 86400);
    const int32_t rights = CurrentUser.Flags;
    TDayEntryRec entry;
    if (file.GetEqual(entry, 3, DatePkVal) && EntryVisible(entry, *ViewRules, CurrentUserId, rights))
        DayEntries.AddEntry(entry, file.LastKey());
    while (file.GetNext(entry, 3, end, gcBelow))
        if (EntryVisible(entry, *ViewRules, CurrentUserId, rights))
            DayEntries.AddEntry(entry, file.LastKey());
    // The walk ends where the day ends; anything else is a read that failed,
    // which must not pass for a day with fewer events.
    if (file.Status() != ksNotFound)
        throw std::runtime_error(file.StatusText());
}

void TfrmMain::wvMainWantUserName(QObject*, const std::string& Pk, std::string& Name)
{
    if (!MainDb)
        return;
    TUserRec user;
    UserCache->Lookup(Pk, user);
    Name = FieldText(user.Abbreviation);
}

void TfrmMain::wvMainWantAlarmedFlag(QObject*, const std::string& Pk, bool& Alarmed)
{
    if (!MainDb)
        return;
    TAlarmRec alarm;
    Alarmed = MainDb->AlarmFile.GetEqual(alarm, 3, Pk);
}

void TfrmMain::wvMainWantCategoryDescription(QObject*, const std::string& Pk, std::string& Description)
{
    if (!MainDb)
        return;
    TCategoryRec category;
    CategoryCache->Lookup(Pk, category);
    Description = FieldText(category.Description);
}

void TfrmMain::actFileLoginExecute()
{
    const TTimerPause pause(*tmrMain);
    if (!MainDb)
        return;
    if (!LogIn(FieldText(CurrentUser.UserName)))
        throw std::runtime_error(kLoginFailed);
    ReadLoggedInUser();
    RefreshView();
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
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QStringLiteral("Orbeko version 1.02"));
}

void TfrmMain::actTodayExecute()
{
    if (WeekViewActive())
        wvMain->ShowThisWeek();
    else
        dvMain->Stamp().SetDateTime(TClock::Now());
}

void TfrmMain::actPrevExecute()
{
    if (WeekViewActive())
        wvMain->PreviousWeek();
    else
        dvMain->Stamp().Increment(suDay, -1);
}

void TfrmMain::actNextExecute()
{
    if (WeekViewActive())
        wvMain->NextWeek();
    else
        dvMain->Stamp().Increment(suDay, 1);
}

void TfrmMain::actDateExecute()
{
    const QDateTime now = TClock::Now();
    if (WeekViewActive())
        frmDate->ShowForWeek(*wvMain, now);
    else
        frmDate->ShowForDay(*dvMain, now);
}

void TfrmMain::actToolsViewDayExecute()
{
    if (!WeekViewActive()) {
        UpdateViewChecks();
        return;
    }
    dvMain->Stamp().SetSeconds(wvMain->CurrentSeconds());
    ShowPage(kDayPage);
    dvMain->Reload();
}

// Groups belong to the workstation: any user may change them.
void TfrmMain::actToolsGroupsExecute()
{
    if (Settings && MainDb)
        frmGroups->Execute(*Settings, *MainDb);
}

void TfrmMain::actUsersExecute()
{
    if (!MainDb || !actUsers->isEnabled())
        return;
    frmUsers->Execute(CurrentUserId, *MainDb);
    RefreshView();
}

void TfrmMain::actToolsViewWeekExecute()
{
    if (WeekViewActive()) {
        UpdateViewChecks();
        return;
    }
    wvMain->ShowWeekOf(dvMain->Stamp().AsDateTime());
    ShowPage(kWeekPage);
    wvMain->Reload();
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

std::string TfrmMain::ActiveSelectedId() const
{
    return WeekViewActive() ? wvMain->SelectedId() : dvMain->SelectedId();
}

std::string TfrmMain::ActiveViewStampText() const
{
    return WeekViewActive() ? wvMain->CurrentDateText() : dvMain->Stamp().StampText();
}

void TfrmMain::SelectionRule(QAction& action) const
{
    const std::string id = ActiveSelectedId();
    if (id == kNoEntry) {
        action.setEnabled(false);
        return;
    }
    const std::string owner = WeekViewActive() ? wvMain->SelectedOwnerId() : dvMain->SelectedOwnerId();
    action.setEnabled(owner == CurrentUserId || (CurrentUser.Flags & urModifyOthers) != 0);
}

void TfrmMain::OfferAssignees()
{
    frmEvent->SetUsersEnabled((CurrentUser.Flags & urAddForOthers) != 0);
}

void TfrmMain::TellWhenHidden(const TDayEntryRec& entry)
{
    if (!EntryVisible(entry, *ViewRules, CurrentUserId, CurrentUser.Flags))
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(kEntryHidden));
}

void TfrmMain::actEventNewUpdate()
{
    actEventNew->setEnabled((CurrentUser.Flags & urAddEntries) != 0);
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
    TDayEntryRec entry;
    MainDb->InitDayEntry(entry);
    SetField(entry.EntryStamp, ActiveViewStampText());
    SetField(entry.OwnerId, CurrentUserId);
    // Without the right to add entries for others a user adds them for
    // himself alone.
    OfferAssignees();
    if (!(CurrentUser.Flags & urAddForOthers))
        SetField(entry.AssigneeIds[0], CurrentUserId);
    TAlarmRec alarm;
    MainDb->InitAlarm(alarm);
    SetField(alarm.AlarmStamp, FieldText(entry.EntryStamp));
    if (frmEvent->Execute(false, entry, alarm, *MainDb, CurrentUserId, *Settings) != QDialog::Accepted)
        return;
    {
        const TWaitCursor wait;
        TEventCommands(*MainDb).AddEvent(entry, alarm);
    }
    TellWhenHidden(entry);
    RefreshView();
}

void TfrmMain::actEventPropertiesExecute()
{
    TDayEntryRec shown;
    {
        // The entry stays locked while the editor is open, so that no
        // other workstation changes or deletes it meanwhile.
        TLockedEvent event(*MainDb, ActiveSelectedId(), ActiveViewStampText());
        if (!event.Locked()) {
            TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(kEditLockedText));
            return;
        }
        shown = event.Entry;
        OfferAssignees();
        if (frmEvent->Execute(true, event.Entry, event.Alarm, *MainDb, CurrentUserId, *Settings) ==
            QDialog::Accepted) {
            TEventResult result;
            {
                const TWaitCursor wait;
                result = event.Store();
            }
            if (result == TEventResult::AlarmLocked) {
                TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                                  QString::fromLatin1(kAlarmLockedText));
                return;
            }
            shown = event.Entry;
        }
    }
    TellWhenHidden(shown);
    RefreshView();
}

void TfrmMain::actEventDeleteExecute()
{
    const std::string description = WeekViewActive() ? wvMain->SelectedDescription() : dvMain->SelectedDescription();
    if (TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo,
                          QStringLiteral("Delete event \"") + QString::fromLocal8Bit(description) +
                              QStringLiteral("\". Are you sure?")) != TMessageAnswer::Yes)
        return;
    TEventResult result;
    {
        const TWaitCursor wait;
        result = TEventCommands(*MainDb).DeleteEvent(ActiveSelectedId());
    }
    if (result != TEventResult::Done) {
        const char* text = result == TEventResult::EntryLocked ? kDeleteLockedText : kAlarmLockedText;
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromLatin1(text));
        return;
    }
    RefreshView();
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
    if (!AlarmDb)
        return;
    TAlarmScan scan(AlarmDb->AlarmFile, CurrentUserId);
    scan.Run(*MonitorStamp, [this](TAlarmRec& alarm, const std::string& alarmId) {
        const bool written = frmNotify->Execute(alarm, alarmId, *AlarmDb) != TfrmNotify::Failed;
        RefreshView();
        return written;
    });
}

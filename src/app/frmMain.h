#pragma once

#include "events/EventCommands.h"
#include "prefs/Session.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class QAction;
class QMenu;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class QToolBar;
class TActionUpdater;
class TCalendarView;
class TDayEntries;
class TDayView;
class TFilterRules;
class TFolderTrust;
class THelpWindow;
class TInstanceLock;
class TOrbekoCfg;
class TOrbekoDB;
class TStamp;
class TViewFeeder;
class TWeekView;
class TfrmCategories;
class TfrmDate;
class TfrmDateRange;
class TfrmEvent;
class TfrmFiltering;
class TfrmGroups;
class TfrmLogin;
class TfrmReport;
class TfrmNotify;
class TfrmOptions;
class TfrmTrouble;
class TfrmUsers;

// The main window: the two calendar views fed from the shared database, the
// program's commands, and the start-up and shutdown of a workstation.
class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Where the start-up finds the login name of the person at the
    // workstation; tests put another in its place.
    std::function<std::string()> AccountNameSource;

    // Who is logged in.
    TSession& Session() { return Session_; }
    std::unique_ptr<TStamp> MonitorStamp;
    std::unique_ptr<TInstanceLock> InstanceMutex;
    bool FirstActivation = true;
    std::unique_ptr<TOrbekoDB> MainDb;
    std::unique_ptr<TOrbekoCfg> Settings;
    std::unique_ptr<TOrbekoDB> AlarmDb;
    std::unique_ptr<TFilterRules> ViewRules;
    // Answers the views' data events, with the user and category caches;
    // made at login.
    std::unique_ptr<TViewFeeder> Feeder;
    // The folder's lock self-test at start-up and this workstation's heartbeat.
    std::unique_ptr<TFolderTrust> FolderTrust;

    QStackedWidget* nbkMain;
    TDayView* dvMain;
    TWeekView* wvMain;
    // The master copy of the display options comes first.
    std::array<TCalendarView*, 2> Views_{};
    QTimer* tmrMain;
    QToolBar* tbrTools;
    QSystemTrayIcon* traMain;
    QMenu* mnuPopup;
    TfrmLogin* frmLogin;
    TfrmDate* frmDate;
    TfrmDateRange* frmDateRange;
    THelpWindow* frmHelp;
    // Runs the enabling rules of the actions when the application is idle.
    TActionUpdater* actMain;
    TfrmNotify* frmNotify;
    TfrmGroups* frmGroups;
    TfrmOptions* frmOptions;
    TfrmFiltering* frmFiltering;
    TfrmReport* frmReport;
    TfrmUsers* frmUsers;

    QAction* actFileLogin;
    QAction* mnuFileChangePath;
    QAction* actFileExport;
    QAction* actFileImport;
    QAction* actFileExit;
    QAction* actToday;
    QAction* actDate;
    QAction* actNext;
    QAction* actPrev;
    QAction* actToolsViewDay;
    QAction* actToolsViewWeek;
    QAction* actToolsOptions;
    QAction* actToolsFiltering;
    QAction* actToolsGroups;
    QAction* actToolsReport;
    QAction* actUsers;
    QAction* mnuHelpOrbekoHelp;
    QAction* actHelpAbout;
    QAction* actHelpInfo;

    // Event commands.
    TfrmEvent* frmEvent;
    QAction* actEventNew;
    QAction* actEventProperties;
    QAction* actEventDelete;
    void actEventNewUpdate();
    void actEventNewExecute();
    void actEventPropertiesUpdate();
    void actEventPropertiesExecute();
    void actEventDeleteUpdate();
    void actEventDeleteExecute();
    void wvMainDblClick(QObject* Sender);

    // Administration.
    TfrmCategories* frmCategories;
    TfrmTrouble* frmTrouble;
    QAction* actCategories;
    QAction* actTroubleshooting;
    void actCategoriesExecute();
    void actTroubleshootingExecute();

    // The start-up sequence; runs on the first activation only.
    void FormActivate();
    // True once the program has been told to end (second copy, failed
    // login, start-up error, Exit, Change path).
    bool Ended() const { return Ended_; }

    // The enabling rule of the administration commands.
    void CheckAdministrator(QAction& action) const;
    bool WeekViewActive() const;
    // The view on the notebook's shown page.
    TCalendarView& ActiveView() const;
    void RefreshView();
    // Reloads the active view when another workstation (or this one) has
    // written the day entries or the alarms since the last look, keeping
    // the selection and the scroll position.
    void FollowOtherWorkstations();

    void wvMainWantDayEntries(QObject* Sender, const std::string& DatePkVal, TDayEntries& DayEntries);
    void wvMainWantUserName(QObject* Sender, const std::string& Pk, std::string& Name);
    void wvMainWantAlarmedFlag(QObject* Sender, const std::string& Pk, bool& Alarmed);
    void wvMainWantCategoryDescription(QObject* Sender, const std::string& Pk, std::string& Description);

    void actFileLoginExecute();
    void actFileExportUpdate();
    void actFileExportExecute();
    void actFileImportUpdate();
    void actFileImportExecute();
    void actFileExitExecute();
    void mnuFileChangePathClick();
    void actHelpAboutExecute();
    void actHelpInfoExecute();
    void actTodayExecute();
    void actPrevExecute();
    void actNextExecute();
    void actDateExecute();
    void actToolsViewDayExecute();
    void actToolsViewWeekExecute();
    void actToolsOptionsExecute();
    void actToolsFilteringExecute();
    void actToolsGroupsExecute();
    void actToolsReportExecute();
    void actUsersExecute();

    // The alarm monitor: shows the logged-in user's due alarms, earliest
    // first, with the timer off while it works.
    void tmrMainTimer();

signals:
    // The program should end; the application's event loop listens.
    void ProgramEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateViews();
    void ConnectViewEvents();
    void StartUp();
    void MakeFirstAdministrator(const std::string& account);
    bool LogIn(const std::string& startName);
    void ReadLoggedInUser();
    void CreateFeeder();
    void UpdateViewChecks();
    void ShowPage(TCalendarView& view);
    // Makes view the shown one, on the day and time the shown one works at.
    void ShowView(TCalendarView& view);
    void EndProgram();
    void ShutDown();

    // Event commands: the active view's selection and stamp, and who runs them.
    TEventSelection ActiveSelection() const;
    TEventUser CommandUser() const;
    void SelectionRule(QAction& action) const;
    // Reloads the active view when a command says so.
    void RefreshViewWhen(bool changed);

    TSession Session_;
    bool Ended_ = false;
};

#pragma once

#include "app/AlarmMonitor.h"
#include "events/EventCommands.h"
#include "prefs/FilterRules.h"
#include "prefs/Session.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <utility>

class QAction;
class QTimer;
class TCalendarView;
class TDayEntries;
class TEventDragging;
class TFolderTrust;
class THelpWindow;
class TInstanceLock;
class TMainCommands;
class TOrbekoCfg;
class TOrbekoDB;
class TFailureNote;
class TSessionFollower;
class TTrayIcon;
class TViewFeeder;
class TViewNotebook;
class TfrmCategories;
class TfrmDate;
class TfrmDateRange;
class TfrmEvent;
class TfrmFiltering;
class TfrmGroups;
class TfrmLogin;
class TfrmNotify;
class TfrmOptions;
class TfrmReport;
class TfrmTrouble;
class TfrmUsers;

// The main window: the calendar views fed from the shared database, the
// program's commands, and the start-up and shutdown of a workstation. The
// commands act on the view shown, whichever it is.
class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Where the start-up finds the login name of the person at the
    // workstation; tests put another in its place.
    void SetAccountNameSource(std::function<std::string()> source) { AccountNameSource_ = std::move(source); }

    // True once the program has been told to end (second copy, failed
    // login, start-up error, Exit, Change path).
    bool Ended() const { return Ended_; }
    // None until the start-up has opened them.
    TOrbekoDB* MainDb() const { return MainDb_.get(); }
    TOrbekoDB* AlarmDb() const { return Monitor_ ? &Monitor_->Db() : nullptr; }
    TOrbekoCfg* Settings() const { return Settings_.get(); }
    TSession& Session() { return Session_; }
    TFilterRules& ViewRules() { return ViewRules_; }
    TCalendarView& ActiveView() const;
    // Every enabling rule, now, as idle time would run them.
    void UpdateCommands();

    // The start-up sequence; runs on the first activation only.
    void FormActivate();
    void CheckAdministrator(QAction& Sender) const;
    void actFileLoginExecute();
    void actFileExportUpdate(QAction& Sender) const;
    void actFileExportExecute();
    void actFileImportUpdate(QAction& Sender) const;
    void actFileImportExecute();
    void actFileExitExecute();
    void mnuFileChangePathClick();
    void actHelpAboutExecute();
    void actHelpInfoExecute();

    void wvMainWantDayEntries(QObject* Sender, const std::string& DatePkVal, TDayEntries& DayEntries);
    void wvMainWantUserName(QObject* Sender, const std::string& Pk, std::string& Name);
    void wvMainWantAlarmedFlag(QObject* Sender, const std::string& Pk, bool& Alarmed);
    void wvMainWantRepeatedFlag(QObject* Sender, const std::string& Pk, bool& Repeated);
    void wvMainWantCategoryDescription(QObject* Sender, const std::string& Pk, std::string& Description);
    void wvMainWantCategoryColour(QObject* Sender, const std::string& Pk, QColor& Colour);
    void actTodayExecute();
    void actPrevExecute();
    void actNextExecute();
    void actDateExecute();
    void actToolsViewDayUpdate(QAction& Sender) const;
    void actToolsViewDayExecute();
    void actToolsViewWeekUpdate(QAction& Sender) const;
    void actToolsViewWeekExecute();
    void actToolsViewMonthUpdate(QAction& Sender) const;
    void actToolsViewMonthExecute();
    void RefreshView();

    void actEventNewUpdate(QAction& Sender) const;
    void actEventNewExecute();
    void actEventPropertiesUpdate(QAction& Sender) const;
    void actEventPropertiesExecute();
    void actEventDeleteUpdate(QAction& Sender) const;
    void actEventDeleteExecute();
    void wvMainDblClick(QObject* Sender);

    void actToolsOptionsExecute();
    void actToolsFilteringExecute();
    void actToolsGroupsExecute();
    void actToolsReportExecute();
    void actUsersExecute();
    void actCategoriesExecute();
    void actTroubleshootingExecute();

    // The alarm monitor: shows the logged-in user's due alarms, earliest
    // first, with the timer off while it works. A diary server out of reach
    // is told once, not at every tick; the tick that reaches it again reads
    // the view afresh and shows what fell due meanwhile.
    void tmrMainTimer();

signals:
    // The program should end; the application's event loop listens.
    void ProgramEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateCommands();
    void CreateViews();
    // False when the program is to end (its reason told).
    bool StartUp();
    // Reads the logged-in user's record again; false when he is gone.
    bool FollowSession();
    // A command the user may run now: his record read again, then the
    // command's enabling rule run on what it says.
    bool MayRun(void (TfrmMain::*rule)(QAction&) const, const char* action);
    void EndProgram();
    void ShutDown();
    // Makes view the shown one, on the day the shown one works at.
    void ShowView(TCalendarView& view);
    TEventSelection ActiveSelection() const;
    TEventUser CommandUser() const;
    // Properties and Delete: an entry is selected that the user may change.
    void SelectionRule(QAction& action) const;
    // Reloads the active view when a command says so.
    void RefreshViewWhen(bool changed);

    std::function<std::string()> AccountNameSource_;
    TSession Session_;
    std::unique_ptr<TInstanceLock> InstanceMutex_;
    bool FirstActivation_ = true;
    std::unique_ptr<TOrbekoDB> MainDb_;
    std::unique_ptr<TOrbekoCfg> Settings_;
    // The alarm monitor, on a connection of its own.
    std::unique_ptr<TAlarmMonitor> Monitor_;
    TFilterRules ViewRules_;
    // Answers the views' data events, with the user and category caches;
    // made at login.
    std::unique_ptr<TViewFeeder> Feeder_;
    // The folder's lock self-test at start-up and this workstation's heartbeat.
    std::unique_ptr<TFolderTrust> FolderTrust_;
    // The logins, and the user's record followed in the users file.
    std::unique_ptr<TSessionFollower> Follower_;
    // The views' drags of events, and Ctrl+Z for the last one.
    std::unique_ptr<TEventDragging> Dragging_;
    std::unique_ptr<TFailureNote> FailureNote_;  // names MainDb_ in every command's failure
    bool Ended_ = false;

    // The actions, menus and tool bar, with their enabling rules.
    std::unique_ptr<TMainCommands> Commands_;
    TViewNotebook* nbkMain;
    QTimer* tmrMain;
    TTrayIcon* traMain;

    TfrmLogin* frmLogin;
    TfrmDate* frmDate;
    TfrmDateRange* frmDateRange;
    THelpWindow* frmHelp;
    TfrmNotify* frmNotify;
    TfrmEvent* frmEvent;
    TfrmGroups* frmGroups;
    TfrmOptions* frmOptions;
    TfrmFiltering* frmFiltering;
    TfrmReport* frmReport;
    TfrmUsers* frmUsers;
    TfrmCategories* frmCategories;
    TfrmTrouble* frmTrouble;
};

#include "app/MainCommands.h"

#include "app/frmMain.h"

namespace {

using M = TfrmMain;

// The window's commands in the order of their menus.
const TCommandSpec<M> kCommands[] = {
    {"actFileLogin", "&Login", "Login to Orbeko as another user", {}, QStyle::SP_DialogApplyButton, "&File",
     mgNone, &M::actFileLoginExecute},
    {"actFileExport", "&Export to iCalendar...", "Write the events you can see to an iCalendar file", {},
     QStyle::SP_DialogSaveButton, "&File", mgSeparator, &M::actFileExportExecute, &M::actFileExportUpdate},
    {"actFileImport", "&Import iCalendar...", "Add the events of an iCalendar file", {},
     QStyle::SP_DialogOpenButton, "&File", mgNone, &M::actFileImportExecute, &M::actFileImportUpdate},
    {"mnuFileChangePath", "&Change path", "Chnages the database path", {}, QStyle::SP_DirOpenIcon, "&File",
     mgSeparator, &M::mnuFileChangePathClick},
    {"actFileExit", "E&xit", "Quit Orbeko", Qt::CTRL | Qt::Key_X, QStyle::SP_DialogCloseButton, "&File",
     mgSeparator, &M::actFileExitExecute},
    {"actEventNew", "&New event...", "Add a new event", Qt::Key_Insert, QStyle::SP_FileDialogNewFolder, "&Event",
     mgNone, &M::actEventNewExecute, &M::actEventNewUpdate},
    {"actEventDelete", "&Delete event...", "Delete event", Qt::Key_Delete, QStyle::SP_TrashIcon, "&Event", mgNone,
     &M::actEventDeleteExecute, &M::actEventDeleteUpdate},
    {"actEventProperties", "Event &properties...", "Modify event properties", {}, QStyle::SP_FileDialogInfoView,
     "&Event", mgNone, &M::actEventPropertiesExecute, &M::actEventPropertiesUpdate},
    {"actToday", "&Today", "Goto today", Qt::CTRL | Qt::Key_T, QStyle::SP_BrowserReload, "&Navigate", mgNone,
     &M::actTodayExecute},
    {"actDate", "&Date...", "Goto a specific date", Qt::CTRL | Qt::Key_D, QStyle::SP_FileDialogContentsView,
     "&Navigate", mgNone, &M::actDateExecute},
    {"actNext", "&Next week", "Goto the next week / day", Qt::CTRL | Qt::Key_N, QStyle::SP_ArrowRight, "&Navigate",
     mgSeparator, &M::actNextExecute},
    {"actPrev", "&Previous week", "Goto the previous week / day", Qt::CTRL | Qt::Key_P, QStyle::SP_ArrowLeft,
     "&Navigate", mgNone, &M::actPrevExecute},
    {"actToolsOptions", "&Options...", "Configure Orbeko options", {}, QStyle::SP_ComputerIcon, "&Tools", mgNone,
     &M::actToolsOptionsExecute},
    {"actToolsFiltering", "&Filtering...", "Set filtering rules", {}, QStyle::SP_DirHomeIcon, "&Tools", mgNone,
     &M::actToolsFilteringExecute},
    {"actToolsGroups", "&Groups...", "Configure groups", {}, QStyle::SP_DirLinkIcon, "&Tools", mgNone,
     &M::actToolsGroupsExecute},
    {"actToolsReport", "&Report...", "Generate a report", {}, QStyle::SP_FileDialogDetailedView, "&Tools", mgNone,
     &M::actToolsReportExecute},
    {"actToolsViewDay", "By &day", "View events by day", {}, QStyle::SP_FileIcon, "&Tools/&View", mgSeparator,
     &M::actToolsViewDayExecute, &M::actToolsViewDayUpdate, true},
    {"actToolsViewWeek", "By &week", "View events by week", {}, QStyle::SP_FileDialogListView, "&Tools/&View",
     mgNone, &M::actToolsViewWeekExecute, &M::actToolsViewWeekUpdate, true},
    // Its own icon: the report's is the detailed view's.
    {"actToolsViewMonth", "By &month", "View events by month", Qt::CTRL | Qt::Key_M, QStyle::SP_DesktopIcon,
     "&Tools/&View", mgNone, &M::actToolsViewMonthExecute, &M::actToolsViewMonthUpdate, true},
    {"actUsers", "&Users", "Administer Orbeko users", {}, QStyle::SP_DirHomeIcon, "Admin", mgNone,
     &M::actUsersExecute, &M::CheckAdministrator},
    {"actCategories", "&Categories", "Administer Orbeko categories", {}, QStyle::SP_FileDialogListView, "Admin",
     mgNone, &M::actCategoriesExecute, &M::CheckAdministrator},
    {"actTroubleshooting", "&Troubleshooting...", "", {}, QStyle::SP_MessageBoxWarning, "Admin", mgNone,
     &M::actTroubleshootingExecute, &M::CheckAdministrator},
    // F1 belongs to the help menu item; the action keeps its caption and hint.
    {"mnuHelpOrbekoHelp", "&Orbeko Help", "", Qt::Key_F1, QStyle::SP_DialogHelpButton, "&Help", mgNone,
     &M::actHelpAboutExecute},
    {"actHelpInfo", "About", "", {}, QStyle::SP_MessageBoxInformation, "&Help", mgNone, &M::actHelpInfoExecute},
    {"actHelpAbout", "&About...", "Help about Orbeko", {}, std::nullopt, nullptr, mgNone, &M::actHelpAboutExecute},
};

}  // namespace

TMainCommands::TMainCommands(TfrmMain& window) : TCommandTable(window)
{
    Add(window, kCommands);
    AddToolBar("tbrTools", "Tools",
               {"actEventNew", "actEventProperties", "actEventDelete", "-", "actToday", "actDate", "actPrev",
                "actNext", "-", "actToolsOptions", "actToolsFiltering", "actToolsGroups", "actToolsReport",
                "actToolsViewDay", "actToolsViewWeek", "actToolsViewMonth", "-", "actUsers", "actCategories"});
    Popup_ = MakePopup("mnuPopup", {"actEventNew", "actEventDelete", "actEventProperties", "-", "actToday", "actDate",
                                    "-", "actToolsOptions", "actToolsFiltering", "actToolsGroups", "actToolsReport",
                                    "-", "&Tools/&View"});
}

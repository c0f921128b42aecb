#pragma once

#include "report/ReportBuilder.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;
class TCheckList;
class TDateEdit;
class TOrbekoCfg;
class TOrbekoDB;
class TfrmReportViewer;
class TfrmSelectGroup;

// "Report": lists the events of a date range, optionally only those of one
// category and of chosen users, in the report viewer. The dialog stays open
// under the viewer, so several reports can be made in a row.
class TfrmReport : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmReport(QWidget* parent = nullptr);

    // Cfg supplies the groups, Db the users, categories and events; the
    // logged-in user decides which private events may be listed.
    int Execute(TOrbekoCfg& Cfg, TOrbekoDB& Db, const TSession& Session);

    TDateEdit* cmbStartDate;
    TDateEdit* cmbEndDate;
    QCheckBox* chkCategory;
    QComboBox* cmbCategory;
    QLabel* lblUsers;
    TCheckList* lstUsers;
    QToolButton* btnGroup;
    QPushButton* btnGo;
    QPushButton* btnClose;
    TfrmSelectGroup* frmSelectGroup;
    TfrmReportViewer* frmReportViewer;

    void chkCategoryClick();
    void btnGroupClick();
    void btnGoClick();

    static constexpr const char* EndBeforeStart = "The end date must not be earlier than the start date";

private:
    // The report the controls ask for; throws EDateEdit for a date that
    // cannot be read.
    TReportRequest Request() const;

    TOrbekoCfg* Cfg_ = nullptr;
    TOrbekoDB* Db_ = nullptr;
    const TSession* Session_ = nullptr;
};

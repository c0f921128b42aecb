#pragma once

#include <QDialog>

class QButtonGroup;
class QFrame;
class QPushButton;
class QRadioButton;
class QToolButton;
class TCheckList;
class TFilterRules;
class TOrbekoCfg;
class TOrbekoDB;
class TfrmSelectGroup;

// "Filtering": which events the views show: all, the user's own, or those
// of the users ticked in the list. Changes the rules only on OK.
class TfrmFiltering : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmFiltering(QWidget* parent = nullptr);

    // Lists the users of database, shows rules and runs the dialog modally;
    // settings give the groups for the group button.
    int Execute(const TOrbekoCfg& settings, TOrbekoDB& database, TFilterRules& rules);

    QFrame* pnlRules;
    QRadioButton* rdoAll;
    QRadioButton* rdoMe;
    QRadioButton* rdoUsers;
    QButtonGroup* grpMode;
    TCheckList* lstUsers;
    QToolButton* btnGroup;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    TfrmSelectGroup* frmSelectGroup;

    void LoadUsers();
    void ShowRules();
    void StoreRules();
    void btnOkClick();
    void btnGroupClick();
    bool lstUsersChanging(int row, bool checking);

private:
    const TOrbekoCfg* Settings_ = nullptr;
    TOrbekoDB* Db_ = nullptr;
    TFilterRules* Rules_ = nullptr;
};

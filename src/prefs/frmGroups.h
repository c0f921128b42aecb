#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;
class TListBox;
class TOrbekoCfg;
class TOrbekoDB;
class TfrmAEGroup;

// "Groups": creates, edits and deletes the workstation's groups. Changes go
// straight into the settings' slots; they reach the registry when the
// program ends.
class TfrmGroups : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmGroups(QWidget* parent = nullptr);

    // Lists the groups of settings and shows the dialog modally; the users
    // offered as members come from database.
    int Execute(TOrbekoCfg& settings, TOrbekoDB& database);

    QLabel* Label1;
    TListBox* lstGroups;
    QMenu* mnuPopup;
    QToolBar* tbrGroups;
    QPushButton* btnClose;
    QAction* actNew;
    QAction* actProperties;
    QAction* actDelete;
    TfrmAEGroup* frmAEGroup;

    void FillGroups();
    // New while fewer than ten groups are listed; Properties and Delete
    // while one is selected.
    void UpdateActions();
    void actNewExecute();
    void actPropertiesExecute();
    void actDeleteExecute();

private:
    TOrbekoCfg* Settings_ = nullptr;
    TOrbekoDB* Db_ = nullptr;
};

#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TCheckList;
class TListBox;
class TOrbekoCfg;

// "Select Group": sets the ticks of a caller's user check list from one of
// the workstation's groups. The check list's entries carry user identifiers.
class TfrmSelectGroup : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelectGroup(QWidget* parent = nullptr);

    // Lists the groups and shows the dialog modally. On OK exactly the
    // group's members are checked in checkList, by program, so its changing
    // and change notifications do not run.
    int Execute(const TOrbekoCfg& settings, TCheckList& checkList);

    QLabel* Label1;
    TListBox* lstGroups;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void FillGroups();
    void btnOkClick();

private:
    const TOrbekoCfg* Settings_ = nullptr;
    TCheckList* CheckList_ = nullptr;
};

#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class TCheckList;
class TGroup;
class TOrbekoDB;

// "Group": one group's description and members, chosen from every user of
// the database.
class TfrmAEGroup : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxMembers = 20;

    explicit TfrmAEGroup(QWidget* parent = nullptr);

    // Shows the group under the caption title, modally. On OK the group's
    // description and members have been replaced; on Cancel it is as it was.
    // Throws when the users file cannot be read to the end.
    int Execute(TGroup& group, const QString& title, TOrbekoDB& database);

    QLabel* Label1;
    QLineEdit* edtDescription;
    QLabel* Label2;
    TCheckList* lstMembers;
    QAction* actOk;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    void FillMembers();
    // OK needs a description and one to twenty members.
    void actOkUpdate();
    void actOkExecute();

private:
    bool CanSave() const;

    TGroup* Group_ = nullptr;
    TOrbekoDB* Db_ = nullptr;
};

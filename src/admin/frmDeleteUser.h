#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <string>

class QAction;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TOrbekoDB;
struct TUserDeletionPlan;

// "Delete User": asks what becomes of the events a user owns and of those
// assigned to him alone, then deletes him with his alarms.
class TfrmDeleteUser : public QDialog
{
    Q_OBJECT
public:
    enum TPage { pgIntro, pgOwner, pgAssigned, pgDoIt };

    explicit TfrmDeleteUser(QWidget* parent = nullptr);

    // Shows the wizard for the user userId; Accepted once he has been
    // deleted, Rejected otherwise. Throws "Unable to read any user details"
    // when there is no other user to hand his events to.
    int Execute(const std::string& userId, TOrbekoDB& database);

    QStackedWidget* nbkMain;
    QRadioButton* rdoOwnerDelete;
    QRadioButton* rdoOwnerTransfer;
    QComboBox* cmbOwner;
    QRadioButton* rdoAssignedDelete;
    QRadioButton* rdoAssignedAssign;
    QComboBox* cmbAssigned;
    QLabel* lblScanning;
    QProgressBar* prgScanning;
    QAction* actPrev;
    QAction* actNext;
    QAction* actDelete;
    QAction* actCancel;
    QPushButton* btnPrev;
    QPushButton* btnNext;
    QPushButton* btnDelete;
    QPushButton* btnCancel;

    void FillOtherUsers();
    void UpdateActions();
    void actPrevExecute();
    void actNextExecute();
    // The deletion run; first, when the user is logged in on some
    // workstation, the question whether to go on. The window keeps painting and the progress bar
    // moving while it works, but takes no input.
    void actDeleteExecute();
    void actCancelExecute();

    // The choices made on the pages.
    TUserDeletionPlan Plan() const;

protected:
    // Escape and the close box cancel, except while the run works.
    void reject() override;

private:
    QWidget* MakePage(const char* name, const char* text);
    void ShowPage(int index);
    void Step();
    // False when the user is logged in somewhere and the administrator
    // chose not to delete him now.
    bool GoOnThoughLoggedIn();

    std::string UserId_;
    std::string UserName_;
    TOrbekoDB* Db_ = nullptr;
    bool Running_ = false;
    QElapsedTimer SincePaint_;
};

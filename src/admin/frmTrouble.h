#pragma once

#include <QDialog>

#include <memory>

class QListView;
class QPushButton;
class QTabWidget;
class TAlarmLines;
class TEventLines;
class TOrbekoDB;
class TStamp;

// "Troubleshooting": every alarm and every event of the database, one line
// each, with the users and events they refer to by name. It only reads;
// each list is read again whenever its page is chosen.
class TfrmTrouble : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmTrouble(QWidget* parent = nullptr);
    ~TfrmTrouble() override;

    // Lists the alarms of Db on the "Alarms" page and shows the dialog
    // modally; the lists are let go when it closes.
    int Execute(TOrbekoDB& Db);

    QTabWidget* pgTrouble;
    QWidget* tabAlarms;
    QWidget* tabEvents;
    QListView* lstAlarms;
    QListView* lstEvents;
    QPushButton* btnClose;
    TAlarmLines* AlarmLines;
    TEventLines* EventLines;
    // Formats the times while the dialog is shown.
    std::unique_ptr<TStamp> WorkStamp;

    void pgTroubleChange(int index);
    void ListAlarms();
    void ListEvents();

private:
    QListView* MakeList(QWidget* page, const char* name);
    void ShowReadFailure(const QString& status);

    TOrbekoDB* Db_ = nullptr;
};

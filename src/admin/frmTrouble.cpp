#include "admin/frmTrouble.h"

#include "admin/AlarmLines.h"
#include "admin/EventLines.h"
#include "storage/Stamp.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/ExecuteScope.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"

#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

TfrmTrouble::TfrmTrouble(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTrouble"));
    setWindowTitle(QStringLiteral("Troubleshooting"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    pgTrouble = new QTabWidget(this);
    pgTrouble->setObjectName(QStringLiteral("pgTrouble"));
    tabAlarms = new QWidget;
    tabAlarms->setObjectName(QStringLiteral("tabAlarms"));
    tabEvents = new QWidget;
    tabEvents->setObjectName(QStringLiteral("tabEvents"));
    pgTrouble->addTab(tabAlarms, QStringLiteral("Alarms"));
    pgTrouble->addTab(tabEvents, QStringLiteral("Events"));
    lstAlarms = MakeList(tabAlarms, "lstAlarms");
    lstEvents = MakeList(tabEvents, "lstEvents");
    AlarmLines = new TAlarmLines(this);
    EventLines = new TEventLines(this);
    lstAlarms->setModel(AlarmLines);
    lstEvents->setModel(EventLines);
    // Shown once the batch that failed has been put in the list.
    connect(AlarmLines, &TTroubleLines::ReadFailed, this, &TfrmTrouble::ShowReadFailure, Qt::QueuedConnection);
    connect(EventLines, &TTroubleLines::ReadFailed, this, &TfrmTrouble::ShowReadFailure, Qt::QueuedConnection);
    connect(pgTrouble, &QTabWidget::currentChanged, this, [this](int index) { TActionFactory::Call([this, index] { pgTroubleChange(index); }); });

    auto* buttons = new TButtonRow(this);
    btnClose = buttons->Add("btnClose", "&Close", [this] { accept(); }, TButtonRole::Default);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pgTrouble);
    layout->addWidget(buttons);
    resize(640, 360);
}

TfrmTrouble::~TfrmTrouble() = default;

QListView* TfrmTrouble::MakeList(QWidget* page, const char* name)
{
    auto* list = new QListView(page);
    list->setObjectName(QString::fromLatin1(name));
    // Every line is one line of text: the view need not measure a million.
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(list);
    return list;
}

int TfrmTrouble::Execute(TOrbekoDB& Db)
{
    TExecuteScope scope;
    scope.Bind(Db_, &Db);
    WorkStamp = std::make_unique<TStamp>();
    scope.OnRelease([this] {
        AlarmLines->Clear();
        EventLines->Clear();
        WorkStamp.reset();
    });
    EventLines->Clear();
    ListAlarms();
    {
        const QSignalBlocker quiet(pgTrouble);
        pgTrouble->setCurrentWidget(tabAlarms);
    }
    return TDialogRunner::Run(*this);
}

void TfrmTrouble::pgTroubleChange(int index)
{
    if (!Db_)
        return;
    if (pgTrouble->widget(index) == tabAlarms)
        ListAlarms();
    else if (pgTrouble->widget(index) == tabEvents)
        ListEvents();
}

void TfrmTrouble::ListAlarms()
{
    AlarmLines->Rebuild(*Db_, *WorkStamp);
}

void TfrmTrouble::ListEvents()
{
    EventLines->Rebuild(*Db_, *WorkStamp);
}

void TfrmTrouble::ShowReadFailure(const QString& status)
{
    TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, status);
}

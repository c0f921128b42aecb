#include "app/frmNotify.h"

#include "prefs/OrbekoCfg.h"
#include "storage/OrbekoDB.h"
#include "ui/Bell.h"
#include "ui/ButtonRow.h"
#include "ui/DesktopNotifier.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"
#include "ui/MessageBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

struct TSnoozeItem
{
    const char* Text;
    TStampUnit Unit;
    int32_t Count;
};

constexpr TSnoozeItem kSnoozeItems[] = {
    {"5 minutes", suMinute, 5}, {"15 minutes", suMinute, 15}, {"30 minutes", suMinute, 30},
    {"1 hour", suHour, 1},      {"2 hours", suHour, 2},       {"4 hours", suHour, 4},
    {"1 day", suDay, 1},
};

constexpr int kBeepPause = 500;

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name, const char* hint)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setToolTip(QLatin1String(hint));
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    edit->setPalette(palette);
    return edit;
}

}  // namespace

TfrmNotify::TfrmNotify(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmNotify"));
    setWindowTitle(QStringLiteral("Orbeko Alarm"));
    Notifier_ = new TDesktopNotifier(this);
    connect(Notifier_, &TDesktopNotifier::ActionInvoked, this, &TfrmNotify::NotificationAction);

    edtDescription = ReadOnlyEdit(this, "edtDescription", "The description of the event");
    edtDescription->setMinimumWidth(260);
    edtPlace = ReadOnlyEdit(this, "edtPlace", "Where the event takes place");
    edtDue = ReadOnlyEdit(this, "edtDue", "When the event is due");
    cmbSnooze = new QComboBox(this);
    cmbSnooze->setObjectName(QStringLiteral("cmbSnooze"));
    cmbSnooze->setToolTip(QStringLiteral("Select an amount to snooze this alarm by"));
    for (const TSnoozeItem& item : kSnoozeItems)
        cmbSnooze->addItem(QLatin1String(item.Text));
    // No choice until the first notice of the run makes one.
    cmbSnooze->setCurrentIndex(-1);
    lblDescription = new QLabel(QStringLiteral("&Description"), this);
    lblDescription->setBuddy(edtDescription);
    lblPlace = new QLabel(QStringLiteral("P&lace"), this);
    lblPlace->setBuddy(edtPlace);
    lblDue = new QLabel(QStringLiteral("D&ue"), this);
    lblDue->setBuddy(edtDue);
    lblSnooze = new QLabel(QStringLiteral("Snoo&ze for"), this);
    lblSnooze->setBuddy(cmbSnooze);

    auto* buttons = new TButtonRow(this);
    btnSnooze = buttons->Add("btnSnooze", "&Snooze", [this] { btnSnoozeClick(); }, TButtonRole::Default);
    btnSnooze->setToolTip(QStringLiteral("Retains the alarm but snoozes it for a period of time"));
    btnRemove = buttons->Add("btnRemove", "&Off", [this] { btnRemoveClick(); });
    btnRemove->setToolTip(QStringLiteral("Removes the alarm completely"));
    btnRemove->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(lblDescription, 0, 0);
    grid->addWidget(edtDescription, 0, 1);
    grid->addWidget(lblPlace, 1, 0);
    grid->addWidget(edtPlace, 1, 1);
    grid->addWidget(lblDue, 2, 0);
    grid->addWidget(edtDue, 2, 1);
    grid->addWidget(lblSnooze, 3, 0);
    grid->addWidget(cmbSnooze, 3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmNotify::Execute(TAlarmRec& Alarm, const std::string& AlarmId, TOrbekoDB& Db)
{
    // What the open notice holds goes when it closes, on every path.
    TExecuteScope scope;
    scope.OnRelease([this] {
        if (Ticket_ != 0)
            Notifier_->Close(std::exchange(Ticket_, 0));
        WorkStamp.reset();
        Alarm_.reset();
    });
    Alarm_.emplace(Db, Alarm, AlarmId);
    if (!Alarm_->ReadEvent(Entry_)) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          QStringLiteral("An alarm has triggered for an event that cannot be found. "
                                         "The alarm will be deleted"));
        Alarm_->DeleteOrphan();
        return QDialog::Rejected;
    }
    WorkStamp.emplace();
    WorkStamp->DisplayFormat = QStringLiteral("dddd mmmm d, hh:nn");
    WorkStamp->SetSeconds(IdValue(FieldText(Entry_.EntryStamp)));
    edtDescription->setText(FieldString(Entry_.Description));
    edtDescription->setCursorPosition(0);
    QString place;
    try {
        place = Db.Details.Event(FieldText(Alarm.EntryId), Entry_).Place;
    } catch (const std::exception&) {
        // The alarm is shown all the same; only where it is stays unknown.
    }
    edtPlace->setText(place);
    edtPlace->setCursorPosition(0);
    lblPlace->setVisible(!place.isEmpty());
    edtPlace->setVisible(!place.isEmpty());
    edtDue->setText(WorkStamp->DisplayText());
    if (cmbSnooze->currentIndex() < 0)
        cmbSnooze->setCurrentIndex(0);
    cmbSnooze->setFocus();
    Failed_ = false;
    ShowNotification();
    const int result = TDialogRunner::Run(*this);
    return Failed_ ? Failed : result;
}

void TfrmNotify::ShowNotification()
{
    if (Settings_ == nullptr || !Settings_->DesktopNotifications)
        return;
    QString body = edtDue->text() + QLatin1Char('\n') + edtDescription->text();
    if (!edtPlace->text().isEmpty())
        body += QLatin1Char('\n') + edtPlace->text();
    Ticket_ = Notifier_->Show(windowTitle(), body,
                              {{QStringLiteral("snooze"), QStringLiteral("Snooze")},
                               {QStringLiteral("off"), QStringLiteral("Off")}});
}

void TfrmNotify::NotificationAction(quint64 ticket, const QString& key)
{
    if (ticket == 0 || ticket != Ticket_ || !Alarm_)
        return;
    // The service takes its notification away itself once an action is taken.
    Ticket_ = 0;
    if (key == QLatin1String("snooze"))
        btnSnoozeClick();
    else if (key == QLatin1String("off"))
        btnRemoveClick();
}

bool TfrmNotify::Written(const char* failure, const std::function<TUserAlarm::TOutcome()>& write,
                         TUserAlarm::TOutcome& outcome)
{
    try {
        outcome = write();
        return true;
    } catch (const std::exception& error) {
        Failed_ = true;
        reject();
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok,
                          QString::fromStdString(Alarm_->Diagnosed(failure + std::string("\r\r") + error.what())) +
                              QStringLiteral("\r\rThe alarm will be shown again later."));
        return false;
    }
}

void TfrmNotify::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmNotify::FormShow()
{
    CentreOnScreen();
    raise();
    activateWindow();
    TBell::Beep();
    TBell::Pause(kBeepPause);
    TBell::Beep();
}

void TfrmNotify::CentreOnScreen()
{
    // Sized by its contents before it is placed: without a window manager
    // the first show would otherwise keep the window's initial size.
    adjustSize();
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmNotify::keyPressEvent(QKeyEvent* event)
{
    // Esc presses Snooze, like Enter; only the close box dismisses the
    // notice without a choice.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btnSnooze->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmNotify::btnSnoozeClick()
{
    if (!Alarm_ || !WorkStamp)
        return;
    const int chosen = std::max(cmbSnooze->currentIndex(), 0);
    const TSnoozeItem& item = kSnoozeItems[chosen];
    WorkStamp->SetNow();
    WorkStamp->Increment(item.Unit, item.Count);
    TUserAlarm::TOutcome outcome;
    if (!Written("Unable to snooze alarm", [&] { return Alarm_->Snooze(WorkStamp->StampText()); }, outcome))
        return;
    if (outcome == TUserAlarm::TOutcome::Locked) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          QStringLiteral("Unable to snooze alarm. Another user has locked it"));
        return;
    }
    accept();
}

void TfrmNotify::btnRemoveClick()
{
    if (!Alarm_)
        return;
    TUserAlarm::TOutcome outcome;
    if (!Written("Unable to switch alarm off", [&] { return Alarm_->SwitchOff(); }, outcome))
        return;
    if (outcome == TUserAlarm::TOutcome::Locked) {
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          QStringLiteral("Unable to switch alarm off. Another user has locked it"));
        return;
    }
    accept();
}

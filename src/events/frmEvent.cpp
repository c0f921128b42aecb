#include "events/frmEvent.h"

#include "events/RecordLists.h"
#include "events/RepeatBox.h"
#include "events/TimeBoxes.h"
#include "events/frmAlarmProperties.h"
#include "prefs/OrbekoCfg.h"
#include "prefs/frmSelectGroup.h"
#include "storage/KeyWalk.h"
#include "storage/DetailFile.h"
#include "storage/OrbekoDB.h"
#include "ui/ActionFactory.h"
#include "ui/ButtonRow.h"
#include "ui/CheckList.h"
#include "ui/DateEdit.h"
#include "ui/DialogRunner.h"
#include "ui/ExecuteScope.h"
#include "ui/FieldValidator.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

namespace {


// Sets a flag for the lifetime of the guard, also when an exception passes.
class TFlagGuard
{
public:
    explicit TFlagGuard(bool& flag) : Flag_(flag) { Flag_ = true; }
    ~TFlagGuard() { Flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& Flag_;
};

}  // namespace

TfrmEvent::TfrmEvent(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEvent"));
    setWindowTitle(QStringLiteral("New Event"));

    auto* lblDate = new QLabel(QStringLiteral("&Date"), this);
    cmbDate = new TDateEdit(this);
    cmbDate->setObjectName(QStringLiteral("cmbDate"));
    cmbDate->setToolTip(QStringLiteral("Select a date for the event"));
    lblTime = new QLabel(QStringLiteral("&Time"), this);
    lblTime->setObjectName(QStringLiteral("lblTime"));
    cmbHour = new QComboBox(this);
    cmbHour->setObjectName(QStringLiteral("cmbHour"));
    cmbHour->setToolTip(QStringLiteral("Select an hour for the event"));
    cmbMinute = new QComboBox(this);
    cmbMinute->setObjectName(QStringLiteral("cmbMinute"));
    cmbMinute->setToolTip(QStringLiteral("Select a minute for the event"));
    TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Fill();
    chkUnTimed = new QCheckBox(QStringLiteral("&Un-timed"), this);
    chkUnTimed->setObjectName(QStringLiteral("chkUnTimed"));
    chkUnTimed->setToolTip(QStringLiteral("Check to make the event \"un-timed\" i.e. it will last all day"));

    chkEnd = new QCheckBox(QStringLiteral("Unt&il"), this);
    chkEnd->setObjectName(QStringLiteral("chkEnd"));
    chkEnd->setToolTip(QStringLiteral("Check to give the event an end"));
    cmbEndDate = new TDateEdit(this);
    cmbEndDate->setObjectName(QStringLiteral("cmbEndDate"));
    cmbEndDate->setToolTip(QStringLiteral("Select the last day of the event"));
    cmbEndHour = new QComboBox(this);
    cmbEndHour->setObjectName(QStringLiteral("cmbEndHour"));
    cmbEndHour->setToolTip(QStringLiteral("Select the hour the event ends"));
    cmbEndMinute = new QComboBox(this);
    cmbEndMinute->setObjectName(QStringLiteral("cmbEndMinute"));
    cmbEndMinute->setToolTip(QStringLiteral("Select the minute the event ends"));
    TTimeBoxes(*cmbEndDate, *cmbEndHour, *cmbEndMinute).Fill();

    auto* lblDescription = new QLabel(QStringLiteral("D&escription"), this);
    edtDescription = new QLineEdit(this);
    edtDescription->setObjectName(QStringLiteral("edtDescription"));
    edtDescription->setToolTip(QStringLiteral("Enter a description for the event (required)"));
    TFieldValidator::Attach(*edtDescription, &TDayEntryRec::Description);

    auto* lblPlace = new QLabel(QStringLiteral("P&lace"), this);
    edtPlace = new QLineEdit(this);
    edtPlace->setObjectName(QStringLiteral("edtPlace"));
    edtPlace->setToolTip(QStringLiteral("Enter where the event takes place"));
    TFieldValidator::Attach(*edtPlace, &TDetailRec::Text);
    auto* lblNotes = new QLabel(QStringLiteral("Note&s"), this);
    edtNotes = new QPlainTextEdit(this);
    edtNotes->setObjectName(QStringLiteral("edtNotes"));
    edtNotes->setToolTip(QStringLiteral("Enter notes for the event"));
    edtNotes->setTabChangesFocus(true);
    edtNotes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edtNotes->setFixedHeight(edtNotes->fontMetrics().lineSpacing() * 4 + 12);

    lblUsers = new QLabel(QStringLiteral("&User(s)"), this);
    lblUsers->setObjectName(QStringLiteral("lblUsers"));
    lstUsers = new TCheckList(this);
    lstUsers->setObjectName(QStringLiteral("lstUsers"));
    lstUsers->SetSorted(true);
    lstUsers->setToolTip(QStringLiteral("Select a number of users for the event"));
    lstUsers->OnChanging = [this](int row, bool checking) { return lstUsersChanging(row, checking); };
    btnGroup = new QToolButton(this);
    btnGroup->setObjectName(QStringLiteral("btnGroup"));
    btnGroup->setAutoRaise(true);
    btnGroup->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    btnGroup->setToolTip(QStringLiteral("Select users from a group"));

    auto* lblCategory = new QLabel(QStringLiteral("&Category"), this);
    cmbCategory = new QComboBox(this);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setToolTip(QStringLiteral("Select a category for the event (recommended)"));
    chkPrivate = new QCheckBox(QStringLiteral("&Private"), this);
    chkPrivate->setObjectName(QStringLiteral("chkPrivate"));
    chkPrivate->setToolTip(QStringLiteral("Check to make the event private"));
    chkAlarm = new QCheckBox(QStringLiteral("&Alarm"), this);
    chkAlarm->setObjectName(QStringLiteral("chkAlarm"));
    chkAlarm->setToolTip(QStringLiteral("Check to set an alarm for the event"));

    auto* lblOwner = new QLabel(QStringLiteral("O&wner"), this);
    edtOwner = new QLineEdit(this);
    edtOwner->setObjectName(QStringLiteral("edtOwner"));
    edtOwner->setReadOnly(true);
    QPalette ownerPalette = edtOwner->palette();
    ownerPalette.setColor(QPalette::Base, ownerPalette.color(QPalette::Button));
    edtOwner->setPalette(ownerPalette);
    edtOwner->setToolTip(QStringLiteral("The user who created the event"));
    chkNotify = new QCheckBox(QStringLiteral("&Notify user(s) other than yourself via EMail"), this);
    chkNotify->setObjectName(QStringLiteral("chkNotify"));
    chkNotify->setChecked(true);
    chkNotify->setToolTip(QStringLiteral("Check to send email to selected user(s) other than yoursefl"));

    lblDate->setBuddy(cmbDate);
    lblTime->setBuddy(cmbHour);
    lblDescription->setBuddy(edtDescription);
    lblPlace->setBuddy(edtPlace);
    lblNotes->setBuddy(edtNotes);
    lblUsers->setBuddy(lstUsers);
    lblCategory->setBuddy(cmbCategory);
    lblOwner->setBuddy(edtOwner);

    TActionFactory actions(*this);
    actOk = actions.Make("actOk", "&Ok", "", {}, this, &TfrmEvent::actOkExecute);
    actCancel = actions.Make("actCancel", "&Cancel", "", {}, this, &TfrmEvent::actCancelExecute);
    auto* buttons = new TButtonRow(this);
    Button1 = buttons->Add("Button1", actOk, TButtonRole::Default);
    Button2 = buttons->Add("Button2", actCancel, TButtonRole::Cancel);
    connect(edtDescription, &QLineEdit::textChanged, this, &TfrmEvent::actOkUpdate);
    connect(chkUnTimed, &QCheckBox::toggled, this, &TfrmEvent::chkUnTimedClick);
    connect(chkEnd, &QCheckBox::toggled, this, &TfrmEvent::chkEndClick);
    connect(chkAlarm, &QCheckBox::toggled, this, TActionFactory::Guard([this] { chkAlarmClick(); }));
    connect(cmbCategory, &QComboBox::activated, this, &TfrmEvent::cmbCategoryChange);
    connect(btnGroup, &QToolButton::clicked, this, TActionFactory::Guard([this] { btnGroupClick(); }));

    frmAlarmProperties = new TfrmAlarmProperties(this);
    frmSelectGroup = new TfrmSelectGroup(this);

    auto* grid = new QGridLayout;
    grid->addWidget(lblDate, 0, 0);
    grid->addWidget(cmbDate, 0, 1);
    auto* time = new QHBoxLayout;
    time->addWidget(lblTime);
    time->addWidget(cmbHour);
    time->addWidget(cmbMinute);
    time->addWidget(chkUnTimed);
    time->addStretch();
    grid->addLayout(time, 0, 2);
    grid->addWidget(chkEnd, 1, 0);
    grid->addWidget(cmbEndDate, 1, 1);
    auto* endTime = new QHBoxLayout;
    endTime->addWidget(cmbEndHour);
    endTime->addWidget(cmbEndMinute);
    endTime->addStretch();
    grid->addLayout(endTime, 1, 2);
    grid->addWidget(lblDescription, 2, 0);
    grid->addWidget(edtDescription, 2, 1, 1, 2);
    grid->addWidget(lblPlace, 3, 0);
    grid->addWidget(edtPlace, 3, 1, 1, 2);
    grid->addWidget(lblUsers, 4, 0, Qt::AlignTop);
    auto* users = new QHBoxLayout;
    users->addWidget(lstUsers);
    users->addWidget(btnGroup, 0, Qt::AlignTop);
    grid->addLayout(users, 4, 1, 1, 2);
    grid->addWidget(lblCategory, 5, 0);
    grid->addWidget(cmbCategory, 5, 1);
    auto* flags = new QHBoxLayout;
    flags->addWidget(chkPrivate);
    flags->addWidget(chkAlarm);
    flags->addStretch();
    grid->addLayout(flags, 5, 2);
    grid->addWidget(lblNotes, 6, 0, Qt::AlignTop);
    grid->addWidget(edtNotes, 6, 1, 1, 2);
    grid->addWidget(lblOwner, 7, 0);
    grid->addWidget(edtOwner, 7, 1);
    grid->addWidget(chkNotify, 8, 1, 1, 2);
    boxRepeat = new TRepeatBox(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(boxRepeat);
    layout->addWidget(buttons);
    actOkUpdate();
}

int TfrmEvent::Execute(bool IsEdit, TDayEntryRec& Entry, TAlarmRec& Alarm, TEventDetails& Details, TOrbekoDB& Db,
                       const std::string& CurrentUserId, TOrbekoCfg& Cfg)
{
    this->IsEdit = IsEdit;
    TExecuteScope scope;
    scope.Bind(Entry_, &Entry).Bind(Alarm_, &Alarm).Bind(Details_, &Details).Bind(Db_, &Db);
    scope.Bind(CurrentUserId_, CurrentUserId).Bind(Cfg_, &Cfg);
    setWindowTitle(IsEdit ? QStringLiteral("Event Properties") : QStringLiteral("New Event"));
    FillUsers();
    FillCategories();
    LoadEntry();
    boxRepeat->Load(Repeat, cmbDate->Date());
    chkUnTimedClick();
    UpdateAlarmAvailability(lstUsers->CheckedCount());
    cmbDate->setFocus();
    return TDialogRunner::Run(*this);
}

void TfrmEvent::SetRepeatEditable(bool editable)
{
    boxRepeat->setEnabled(editable);
}

void TfrmEvent::SetUsersEnabled(bool enabled)
{
    lstUsers->setEnabled(enabled);
    lblUsers->setEnabled(enabled);
    btnGroup->setEnabled(enabled);
}

void TfrmEvent::FillUsers()
{
    FillUserList(*lstUsers, Db_->UserFile);
}

void TfrmEvent::FillCategories()
{
    FillCategoryList(*cmbCategory, Db_->CategoryFile);
}

void TfrmEvent::LoadEntry()
{
    const TFlagGuard loading(Loading);
    TDayEntryRec& entry = *Entry_;
    WorkStamp.SetSeconds(IdValue(FieldText(entry.EntryStamp)));
    TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Show(WorkStamp);
    edtDescription->setText(FieldString(entry.Description));
    chkPrivate->setChecked((entry.Flags & efPrivate) != 0);
    chkUnTimed->setChecked((entry.Flags & efUntimed) != 0);
    cmbCategory->setCurrentIndex(cmbCategory->findData(QVariant::fromValue<qint64>(IdValue(FieldText(entry.CategoryId)))));
    for (const auto& slot : entry.AssigneeIds) {
        const int64_t id = IdValue(FieldText(slot));
        if (id == 0)
            continue;
        const int row = lstUsers->IndexOfData(id);
        if (row < 0)
            throw std::runtime_error(UnknownUser);
        lstUsers->SetChecked(row, true);
    }
    TUserRec owner;
    edtOwner->setText(FindRecord(Db_->UserFile, owner, TOrbekoDB::UserIdKey, FieldText(entry.OwnerId))
                          ? FieldString(owner.FullName)
                          : QStringLiteral("ERR"));
    chkAlarm->setChecked((Alarm_->Flags & afAlarmed) != 0);

    const TEventDetails& details = *Details_;
    edtPlace->setText(details.Place);
    edtNotes->setPlainText(details.Notes);
    TStamp end = WorkStamp;
    if (!details.EndStamp.empty()) {
        end.SetSeconds(IdValue(details.EndStamp));
        // An un-timed event's end is the midnight after its last day.
        if (entry.Flags & efUntimed)
            end.SetSeconds(std::max<int64_t>(WorkStamp.Seconds(), end.Seconds() - 86400));
    } else if (!(entry.Flags & efUntimed)) {
        end.Increment(suHour, 1);
    }
    TTimeBoxes(*cmbEndDate, *cmbEndHour, *cmbEndMinute).Show(end);
    chkEnd->setChecked(!details.EndStamp.empty());
    chkEndClick();
}

void TfrmEvent::chkUnTimedClick()
{
    const bool timed = !chkUnTimed->isChecked();
    lblTime->setEnabled(timed);
    cmbHour->setEnabled(timed);
    cmbMinute->setEnabled(timed);
    chkEndClick();
}

void TfrmEvent::chkEndClick()
{
    const bool ends = chkEnd->isChecked();
    const bool timed = !chkUnTimed->isChecked();
    cmbEndDate->setEnabled(ends);
    cmbEndHour->setEnabled(ends && timed);
    cmbEndMinute->setEnabled(ends && timed);
}

void TfrmEvent::chkAlarmClick()
{
    if (Loading || !chkAlarm->isChecked())
        return;
    frmAlarmProperties->Execute(*Alarm_);
}

bool TfrmEvent::lstUsersChanging(int, bool checking)
{
    UpdateAlarmAvailability(lstUsers->CheckedCount() + (checking ? 1 : -1));
    return true;
}

void TfrmEvent::UpdateAlarmAvailability(int checkedUsers)
{
    // Alarms go to the event's users; an event without users has none.
    chkAlarm->setEnabled(checkedUsers >= 1);
    if (checkedUsers < 1)
        chkAlarm->setChecked(false);
}

void TfrmEvent::cmbCategoryChange()
{
    if (edtDescription->text().isEmpty())
        edtDescription->setText(cmbCategory->currentText());
}

void TfrmEvent::btnGroupClick()
{
    frmSelectGroup->Execute(*Cfg_, *lstUsers);
    // The group set the ticks without asking the list's rule.
    UpdateAlarmAvailability(lstUsers->CheckedCount());
}

void TfrmEvent::actOkUpdate()
{
    actOk->setEnabled(!edtDescription->text().isEmpty());
}

bool TfrmEvent::NoCategoryChosen() const
{
    return cmbCategory->currentIndex() < 0 || cmbCategory->currentData().toLongLong() == 0;
}

void TfrmEvent::actOkExecute()
{
    const auto confirmed = [](const char* text) {
        return TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, QString::fromLatin1(text)) ==
               TMessageAnswer::Yes;
    };
    if (NoCategoryChosen() && !confirmed("You have not chosen a category for this event. Is this ok?"))
        return;
    if (lstUsers->CheckedCount() == 0 && !confirmed("You have not chosen any users for this event. Is this ok?"))
        return;
    // A refusal raises before anything is handed over; the action shows it
    // and the dialog stays open.
    StoreEntry();
    hide();
    if (chkNotify->isChecked()) {
        try {
            SendNotification();
        } catch (const std::exception&) {
            TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                              QStringLiteral("Unable to send EMail as requested"));
        }
    }
    accept();
}

void TfrmEvent::actCancelExecute()
{
    reject();
}

void TfrmEvent::StoreEntry()
{
    // Built aside and handed over whole, so that a refused OK leaves the
    // caller's record as it was.
    TDayEntryRec entry = *Entry_;
    TTimeBoxes(*cmbDate, *cmbHour, *cmbMinute).Take(WorkStamp, chkUnTimed->isChecked());
    const TEventDetails details = TakeDetails(WorkStamp);
    SetField(entry.EntryStamp, WorkStamp.StampText());
    // No selection (a category deleted since) stores none as well.
    SetField(entry.CategoryId, IdText(cmbCategory->currentIndex() < 0 ? 0 : cmbCategory->currentData().toLongLong()));
    SetFieldString(entry.Description, edtDescription->text());
    entry.Flags = (chkPrivate->isChecked() ? efPrivate : 0) | (chkUnTimed->isChecked() ? efUntimed : 0);
    for (auto& slot : entry.AssigneeIds)
        SetField(slot, IdText(0));
    int placed = 0;
    for (int row = 0; row < lstUsers->count(); ++row) {
        if (!lstUsers->Checked(row))
            continue;
        if (placed == kMaxAssignees)
            throw std::runtime_error("A maximum of " + std::to_string(kMaxAssignees) +
                                     " users can be associated with an event");
        SetField(entry.AssigneeIds[placed++], IdText(lstUsers->Data(row)));
    }
    const std::string repeat = boxRepeat->isEnabled() ? boxRepeat->Take() : Repeat;
    *Entry_ = entry;
    *Details_ = details;
    Alarm_->Flags = chkAlarm->isChecked() ? afAlarmed : 0;
    Repeat = repeat;
}

TEventDetails TfrmEvent::TakeDetails(const TStamp& start) const
{
    TEventDetails details;
    details.Place = edtPlace->text().trimmed();
    // Cut where the file's pieces end, never inside a character.
    details.Notes = DecodeText(EncodeText(edtNotes->toPlainText(), TDetailFile::kMaxNotesBytes + 1));
    if (!chkEnd->isChecked())
        return details;
    TStamp end;
    const bool untimed = chkUnTimed->isChecked();
    TTimeBoxes(*cmbEndDate, *cmbEndHour, *cmbEndMinute).Take(end, untimed);
    if (end.Seconds() < start.Seconds())
        throw std::runtime_error(EndBeforeStart);
    if (untimed)
        end.Increment(suDay, 1);
    details.EndStamp = end.StampText();
    return details;
}

void TfrmEvent::SendNotification()
{
    QList<TMailRecipient> recipients;
    QStringList unknown;
    for (int row = 0; row < lstUsers->count(); ++row) {
        const std::string id = IdText(lstUsers->Data(row));
        if (!lstUsers->Checked(row) || id == CurrentUserId_)
            continue;
        const QString name = lstUsers->item(row)->text();
        const QString address = Db_->Details.UserEmail(id);
        if (address.isEmpty())
            unknown.append(name);
        else
            recipients.append({name, address});
    }
    // The others still get the notice.
    if (!unknown.isEmpty())
        TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                          QStringLiteral("No e-mail address is known for ") + unknown.join(QStringLiteral(", ")) +
                              QStringLiteral(", who will not be sent this notice. An administrator can add "
                                             "addresses in the Users dialog."));
    ::SendNotification(msgEvent, IsEdit, recipients, edtDescription->text(), WorkStamp);
}

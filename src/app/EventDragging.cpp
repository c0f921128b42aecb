#include "app/EventDragging.h"

#include "app/frmMain.h"
#include "events/MailMessage.h"
#include "series/SeriesStore.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/MessageBox.h"
#include "ui/WaitCursor.h"
#include "views/CalendarView.h"

#include <QAction>
#include <QStyle>

namespace {

// Tells the event's other assignees that it moved, as the editor's OK
// does: the mail program shows the message for the sender to send.
void NotifyOthers(TOrbekoDB& db, const TDayEntryRec& entry, const std::string& me)
{
    QList<TMailRecipient> recipients;
    for (const auto& slot : entry.AssigneeIds) {
        const std::string id = FieldText(slot);
        if (IdValue(id) == 0 || id == me)
            continue;
        TUserRec user;
        const QString address = db.Details.UserEmail(id);
        if (!address.isEmpty() && FindRecord(db.UserFile, user, TOrbekoDB::UserIdKey, id))
            recipients.append({DecodeText(FieldText(user.FullName)), address});
    }
    TStamp when;
    when.SetSeconds(static_cast<int32_t>(IdValue(FieldText(entry.EntryStamp))));
    try {
        TMailMessage message;
        SendNotification(message, true, recipients, DecodeText(FieldText(entry.Description)), when);
    } catch (const std::exception&) {
        TMessageBox::Inform("Unable to send EMail as requested");
    }
}

}  // namespace

TEventDragging::TEventDragging(TfrmMain& window, std::span<TCalendarView* const> views) : Window_(window)
{
    for (TCalendarView* view : views) {
        view->OnWantMayMoveEntry = [this](QObject*, const std::string& Pk, bool& Allowed) { Allowed = MayMove(Pk); };
        view->OnWantMoveEntry = [this](QObject*, const std::string& Pk, const std::string& NewStart,
                                       const std::string& NewEnd, bool& Moved) { Moved = Move(Pk, NewStart, NewEnd); };
    }
    Undo_ = new QAction(QStringLiteral("&Undo move"), &window);
    Undo_->setObjectName(QStringLiteral("actEventUndoMove"));
    Undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Undo_->setToolTip(QStringLiteral("Undo the last move of an event made here"));
    Undo_->setStatusTip(Undo_->toolTip());
    Undo_->setIcon(window.style()->standardIcon(QStyle::SP_ArrowBack));
    Undo_->setShortcutContext(Qt::WindowShortcut);
    connect(Undo_, &QAction::triggered, this, [this] { UndoLast(); });
    window.addAction(Undo_);
}

bool TEventDragging::MayMove(const std::string& entryId)
{
    TOrbekoDB* db = Window_.MainDb();
    const TSession& session = Window_.Session();
    if (db == nullptr || !session.LoggedIn())
        return false;
    TDayEntryRec entry;
    if (!FindRecord(db->DayEntryFile, entry, TOrbekoDB::DayEntryIdKey, entryId))
        return false;
    if (TSeriesStore(*db, TStamp().Seconds()).LinkOf(entryId, entry))
        return false;
    return FieldText(entry.OwnerId) == session.UserId() || session.HasRight(urModifyOthers);
}

bool TEventDragging::Move(const std::string& entryId, const std::string& start, const std::string& end)
{
    // The rights are those of now: another workstation may have changed them.
    if (!MayMove(entryId))
        return false;
    TEventMove::TDone done;
    TEventResult result;
    {
        const TWaitCursor wait;
        result = TEventMove(*Window_.MainDb()).Move(entryId, start, end, &done);
    }
    switch (result) {
    case TEventResult::Done:
        Last_ = done;
        Window_.RefreshView();
        NotifyOthers(*Window_.MainDb(), done.After, Window_.Session().UserId());
        return true;
    case TEventResult::EntryLocked:
        TMessageBox::Inform(kEditLockedText);
        return false;
    case TEventResult::AlarmLocked:
        TMessageBox::Inform(kAlarmLockedText);
        return false;
    case TEventResult::Missing:
        TMessageBox::Inform(kEventGoneText);
        Window_.RefreshView();
        return false;
    }
    return false;
}

bool TEventDragging::UndoLast()
{
    TOrbekoDB* db = Window_.MainDb();
    if (!Last_ || db == nullptr)
        return false;
    TEventResult result;
    {
        const TWaitCursor wait;
        result = TEventMove(*db).Undo(*Last_);
    }
    switch (result) {
    case TEventResult::Done:
        Last_.reset();
        Window_.RefreshView();
        return true;
    case TEventResult::EntryLocked:
        TMessageBox::Inform(kEditLockedText);
        return false;
    case TEventResult::AlarmLocked:
        TMessageBox::Inform(kAlarmLockedText);
        return false;
    case TEventResult::Missing:
        Last_.reset();
        TMessageBox::Inform(kUndoChangedText);
        return false;
    }
    return false;
}

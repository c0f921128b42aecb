#include "app/FolderTrust.h"

#include "kfstore/folder/FolderSelfTest.h"
#include "kfstore/folder/Presence.h"
#include "kfstore/folder/Restore.h"
#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"
#include "storage/DatabaseFiles.h"
#include "ui/MessageBox.h"

#include <stdexcept>

namespace {

QString Reasons(const TFolderSelfTest& test, bool refusals)
{
    QString text;
    for (const TFolderSelfTest::TFinding& finding : test.Findings())
        if (finding.Refuse == refusals)
            text += QStringLiteral("- ") + QString::fromStdString(finding.Text) + QStringLiteral("\r");
    return text;
}

}  // namespace

TFolderTrust::TFolderTrust(std::chrono::milliseconds beatInterval) : Interval_(beatInterval) {}

TFolderTrust::~TFolderTrust() = default;

bool TFolderTrust::Open(const std::string& folder)
{
    // A database server keeps the record locks itself: there is no folder
    // whose locks could fail the workstations.
    if (StoreLocation::IsServer(folder)) {
        try {
            if (TStoreHome* home = StoreHomes::OfLocation(folder))
                ServerPresence_ = home->Join(folder);
        } catch (const std::runtime_error&) {
            // Only the delete-user wizard's warning depends on it.
        }
        return true;
    }
    const QString where = QString::fromStdString(folder);
    // Not a matter of locks: the folder is half one set of files and half
    // another, and only finishing the restore makes it one diary again.
    if (TRestore::Unfinished(folder)) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok,
                          QStringLiteral("A restore of the database folder %1 was interrupted, so the folder holds "
                                         "old and restored files side by side.\r\rAsk your administrator to finish "
                                         "the restore with \"orbeko-admin restore --finish\".")
                              .arg(where));
        return false;
    }
    TFolderSelfTest test(folder, kDatabaseFiles);
    if (!test.Refused()) {
        Presence_ = std::make_unique<TPresence>(folder, kDatabaseFiles, Interval_);
        test.CheckPresence(Presence_->Slot());
    }
    if (test.Refused()) {
        Presence_.reset();
        TMessageBox::Show(
            TMessageKind::Error, TMessageButtons::Ok,
            QStringLiteral("The database folder %1 cannot be shared safely:\r\r").arg(where) + Reasons(test, true)
                + QStringLiteral("\rRecord locks there do not keep workstations apart, so two of them could change "
                                 "the same event at the same time and one change would overwrite the other: "
                                 "sharing this folder would lose data.\r\rAsk your administrator to look at the "
                                 "folder with \"orbeko-admin locktest\"."));
        return false;
    }
    const QString warnings = Reasons(test, false);
    if (!warnings.isEmpty())
        TMessageBox::Show(TMessageKind::Warning, TMessageButtons::Ok,
                          QStringLiteral("The database folder %1 may lose record locks:\r\r").arg(where) + warnings
                              + QStringLiteral("\rIf that happens, two workstations could change the same event at "
                                               "the same time and one change would be lost."));
    return true;
}

void TFolderTrust::Beat()
{
    if (!Presence_)
        return;
    try {
        Presence_->Beat();
    } catch (const std::runtime_error&) {
        // A beat that cannot be written goes stale, and the others take this
        // workstation for gone: nothing of the diary depends on it.
    }
}

void TFolderTrust::LoggedIn(const std::string& userId, const std::string& userName)
{
    TStorePresence* presence = Presence_ ? static_cast<TStorePresence*>(Presence_.get()) : ServerPresence_.get();
    if (!presence)
        return;
    try {
        presence->SetUser(userId, userName);
    } catch (const std::runtime_error&) {
        // As with a beat: the next one writes it again.
    }
}

#include "app/SessionFollower.h"

#include "app/FolderTrust.h"
#include "app/Login.h"
#include "app/TimerPause.h"
#include "prefs/Session.h"
#include "storage/OrbekoDB.h"
#include "ui/MessageBox.h"

#include <exception>

TSessionFollower::TSessionFollower(TSession& session, TOrbekoDB& db, TfrmLogin& dialog, QTimer& timer,
                                   TFolderTrust* trust, std::function<std::string()> account, TReactions reactions)
    : Session_(session), Db_(db), Dialog_(dialog), Timer_(timer), Trust_(trust), Account_(std::move(account)),
      Reactions_(std::move(reactions))
{
}

bool TSessionFollower::AtStartUp()
{
    if (!TLogin(Db_, Dialog_).AtStartUp(Session_, Account_ ? Account_() : std::string())) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromLatin1(TLogin::FailedText));
        return false;
    }
    Started();
    return true;
}

void TSessionFollower::AsAnotherUser()
{
    const TTimerPause pause(Timer_);
    TLogin(Db_, Dialog_).AsAnotherUser(Session_);
    Started();
    Reactions_.LoggedIn();
}

bool TSessionFollower::Follow()
{
    if (!Session_.LoggedIn())
        return false;
    switch (Session_.Refresh(Db_.UserFile)) {
    case TSessionChange::Same:
        return true;
    case TSessionChange::Changed:
        Reactions_.RightsChanged();
        return true;
    case TSessionChange::Gone:
        break;
    }
    LoginAfterRemoval();
    return false;
}

void TSessionFollower::LoginAfterRemoval()
{
    const TTimerPause pause(Timer_);
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, QString::fromStdString(Session_.RemovedText()));
    // A user who is gone holds no rights: nothing is enabled behind the login.
    Reactions_.RightsChanged();
    bool loggedIn = false;
    try {
        loggedIn = TLogin(Db_, Dialog_).AtStartUp(Session_, Account_ ? Account_() : std::string());
    } catch (const std::exception& error) {
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromStdString(error.what()));
    }
    if (!loggedIn) {
        // Nobody is left to work as: the program ends as a cancelled
        // start-up login does.
        Session_ = TSession();
        TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, QString::fromLatin1(TLogin::FailedText));
        Reactions_.NobodyLeft();
        return;
    }
    Started();
    Reactions_.LoggedIn();
}

void TSessionFollower::Started()
{
    if (Trust_)
        Trust_->LoggedIn(Session_.UserId(), FieldText(Session_.User().UserName));
}

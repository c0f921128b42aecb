#pragma once

#include <functional>
#include <string>

class QTimer;
class TFolderTrust;
class TOrbekoDB;
class TSession;
class TfrmLogin;

// The user logged in at the main window, followed in the shared users
// file: the logins, rights another administrator changed meanwhile, and a
// record deleted while the user works, after which the login is shown
// again. The presence file names each user who logs in.
class TSessionFollower
{
public:
    // What the window does when the session moves under it.
    struct TReactions
    {
        std::function<void()> RightsChanged;  // enabling and the view follow, the selection stays
        std::function<void()> LoggedIn;       // a login replaced the session
        std::function<void()> NobodyLeft;     // the login after a removal was cancelled
    };

    // trust: none when the home keeps no presence file. The timer stops
    // while a login dialog is open.
    TSessionFollower(TSession& session, TOrbekoDB& db, TfrmLogin& dialog, QTimer& timer, TFolderTrust* trust,
                     std::function<std::string()> account, TReactions reactions);

    // The start-up's login. False, told, when it was cancelled.
    bool AtStartUp();
    // File > Login: another user takes over.
    void AsAnotherUser();
    // Reads the user's record again. False when the user is no longer
    // there (nor anybody else, if the login that followed was cancelled).
    bool Follow();

private:
    void LoginAfterRemoval();
    void Started();

    TSession& Session_;
    TOrbekoDB& Db_;
    TfrmLogin& Dialog_;
    QTimer& Timer_;
    TFolderTrust* const Trust_;
    const std::function<std::string()> Account_;
    const TReactions Reactions_;
};

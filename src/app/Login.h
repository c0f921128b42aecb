#pragma once

#include <string>

class TOrbekoDB;
class TSession;
class TfrmLogin;

// Who works at this workstation. On an empty users file the person logged
// into the workstation becomes the first administrator; otherwise the
// login dialog lets a user of the file in.
class TLogin
{
public:
    static constexpr const char* FailedText = "You have failed to login. Please contact your administrator";

    TLogin(TOrbekoDB& db, TfrmLogin& dialog) : Db_(db), Dialog_(dialog) {}

    // The start-up's login, from the workstation's account name. False when
    // the user cancelled the dialog; the caller says so.
    bool AtStartUp(TSession& session, const std::string& account);
    // Logging in as another user, from the logged-in user's name. A
    // cancelled dialog throws FailedText and the session stays as it was.
    void AsAnotherUser(TSession& session);

private:
    void MakeFirstAdministrator(TSession& session, const std::string& account);
    // The dialog, then the user it let in read again by name.
    bool Ask(TSession& session, const std::string& startName);

    TOrbekoDB& Db_;
    TfrmLogin& Dialog_;
};

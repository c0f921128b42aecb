#include "app/Login.h"

#include "app/frmLogin.h"
#include "prefs/Session.h"
#include "storage/FirstAdministrator.h"
#include "storage/OrbekoDB.h"
#include "ui/MessageBox.h"

#include <QDialog>
#include <QLineEdit>

#include <stdexcept>

namespace {

std::string UpperName(const std::string& name)
{
    return EncodeText(DecodeText(name).toUpper(), sizeof(TUserRec::UserName));
}

}  // namespace

bool TLogin::AtStartUp(TSession& session, const std::string& account)
{
    if (Db_.UserFile.RecordCount() == 0) {
        MakeFirstAdministrator(session, account);
        return true;
    }
    return Ask(session, UpperName(account));
}

void TLogin::AsAnotherUser(TSession& session)
{
    if (!Ask(session, FieldText(session.User().UserName)))
        throw std::runtime_error(FailedText);
}

void TLogin::MakeFirstAdministrator(TSession& session, const std::string& account)
{
    TUserRec user;
    const std::string id = TFirstAdministrator::Make(Db_, account, user);
    const std::string name = FieldText(user.UserName);
    session = TSession(id, user);
    TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok,
                      QStringLiteral("Welcome to Orbeko as a new administrator\r\rYour user name is \"") +
                          DecodeText(name) +
                          QStringLiteral("\" and your password is \"<blank>\"\r\rPlease do not forget this information"));
}

bool TLogin::Ask(TSession& session, const std::string& startName)
{
    TUserRec user{};
    SetField(user.UserName, startName);
    if (Dialog_.Execute(Db_, user) != QDialog::Accepted)
        return false;
    if (!session.LogIn(Db_.UserFile, EncodeText(Dialog_.edtUserName->text(), sizeof(TUserRec::UserName))))
        throw std::runtime_error(Db_.UserFile.StatusText());
    return true;
}

#include "app/frmLogin.h"
#include "kfstore/RecordLock.h"
#include "storage/UserPassword.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "support/DialogScript.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <optional>

namespace {

enum class TStored { Plain, Hashed, None };

class LoginPasswordTest : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
    }

    // A user named name with SECRET as an earlier version stored it, or
    // hashed, or no password.
    std::string User(const std::string& name, TStored stored)
    {
        const std::string id = TDiaryRecords(*Db).User(name, name, name, urAddEntries,
                                                        stored == TStored::Plain ? "SECRET" : "");
        if (stored == TStored::Hashed) {
            TUserRec user = Read(id);
            TUserPassword::Write(Db->Details, id,
                                 TUserPassword::Prepare(user, TPasswordChange::Set("SECRET"), nullptr));
            EXPECT_TRUE(Db->UserFile.Rewrite(user, id));
        }
        return id;
    }

    TUserRec Read(const std::string& id)
    {
        TOrbekoDB other(Shell_);
        TUserRec user{};
        EXPECT_TRUE(other.UserFile.GetEqual(user, TOrbekoDB::UserIdKey, id));
        return user;
    }

    // Ok pressed once with typed; whether the dialog let the user in.
    bool LogIn(const std::string& name, const QString& typed, TUserRec& user)
    {
        Dialogs.Answer([&](QDialog& dialog) {
            auto& login = static_cast<TfrmLogin&>(dialog);
            login.edtPassword->setText(typed);
            login.actOkExecute();
            // Still open after a refusal: the user gives up.
            return login.isVisible() ? int(QDialog::Rejected) : login.result();
        });
        user = {};
        SetField(user.UserName, name);
        return Form.Execute(*Db, user) == QDialog::Accepted;
    }

    std::unique_ptr<TOrbekoDB> Db;
    TDialogScript Dialogs;
    TfrmLogin Form;
};

TEST_F(LoginPasswordTest, TheDialogLetsInByTheHashOrTheFieldAndMovesAPlainPasswordOver)
{
    const struct
    {
        TStored Stored;
        const char* Typed;
        bool LockedElsewhere;  // another workstation writes the user meanwhile
        bool LetsIn;
        bool HashedAfter;
    } cases[] = {
        {TStored::Hashed, "SECRET", false, true, true},
        {TStored::Hashed, "secret", false, true, true},
        {TStored::Hashed, "", false, false, true},
        {TStored::Hashed, "WRONG", false, false, true},
        {TStored::Plain, "sEcReT", false, true, true},
        {TStored::Plain, "SECRET", true, true, false},  // moved over at a later login
        {TStored::Plain, "WRONG", false, false, false},
        {TStored::Plain, "", false, false, false},
        {TStored::None, "", false, true, false},
        {TStored::None, "SECRET", false, false, false},
    };
    int made = 0;
    for (const auto& c : cases) {
        const std::string name = "USER" + std::to_string(++made);
        SCOPED_TRACE(name + " typed " + c.Typed);
        const std::string id = User(name, c.Stored);
        const TUserRec before = Read(id);
        std::optional<TOrbekoDB> other;
        std::optional<TRecordLock> lock;
        if (c.LockedElsewhere) {
            other.emplace(Shell_);
            lock.emplace(other->UserFile, id);
            ASSERT_TRUE(lock->Held());
        }
        TUserRec user;
        EXPECT_EQ(LogIn(name, QString::fromLatin1(c.Typed), user), c.LetsIn);
        const TUserRec after = Read(id);
        EXPECT_EQ(TUserPassword::Hashed(after), c.HashedAfter);
        if (c.LetsIn) {
            EXPECT_EQ(FieldText(user.UserName), name);
            EXPECT_EQ(FieldText(user.Password), FieldText(after.Password)) << "the record as it is now";
        }
        if (!c.HashedAfter) {
            EXPECT_EQ(FieldText(after.Password), FieldText(before.Password));
        }
        if (c.HashedAfter) {
            EXPECT_TRUE(TUserPassword::Matches(Db->Details, id, after, "Secret"));
            EXPECT_NE(FieldString(after.Password).toUpper(), QStringLiteral("SECRET")) << "no earlier version's match";
        }
    }
    EXPECT_EQ(Dialogs.UnexpectedCount(), 0);
}

}  // namespace

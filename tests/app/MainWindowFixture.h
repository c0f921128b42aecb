#pragma once

#include "app/frmLogin.h"
#include "app/frmMain.h"
#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "ui/DialogRunner.h"
#include "ui/FolderPrompt.h"
#include "ui/MessageBox.h"
#include "support/DialogScript.h"
#include "support/DiaryRecords.h"
#include "support/FolderPromptScript.h"
#include "support/MessageBoxScript.h"
#include "views/DayView.h"
#include "views/MonthView.h"
#include "views/WeekView.h"

#include <QAction>
#include <QByteArray>
#include <QLineEdit>
#include <QTimer>

#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>

// A main window over a private registry, database folder and temporary
// folder (where the single-instance lock lives), with every message box,
// dialog run and folder prompt answered by a script.
class TMainWindowFixture : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        // An empty database, as an administrator would have made it.
        Connect();
    }
    void TearDown() override
    {
        Window_.reset();
        TDatabaseFixture::TearDown();
    }

    TfrmMain& Window(const std::string& account = "jsmith")
    {
        if (!Window_) {
            Window_ = std::make_unique<TfrmMain>();
            Window_->SetAccountNameSource([account] { return account; });
        }
        return *Window_;
    }

    // A part of the window as the user meets it: by its object name, or
    // the only one of its class.
    template <class T> T& Child(const char* name = nullptr)
    {
        T* child = name ? Window().findChild<T*>(QString::fromLatin1(name)) : Window().findChild<T*>();
        if (!child)
            throw std::logic_error(std::string("the main window has no ") + (name ? name : typeid(T).name()));
        return *child;
    }
    QAction& Action(const char* name) { return Child<QAction>(name); }
    TWeekView& Week() { return Child<TWeekView>("wvMain"); }
    TDayView& Day() { return Child<TDayView>("dvMain"); }
    TMonthView& Month() { return Child<TMonthView>("mvMain"); }
    QTimer& Timer() { return Child<QTimer>("tmrMain"); }

    // Adds a user straight to the database, as another workstation would;
    // his full name, and unless given his abbreviation, are his user name.
    std::string AddUser(const char* name, const char* password, int32_t flags, const char* abbreviation = nullptr)
    {
        TOrbekoDB db(Shell_);
        return TDiaryRecords(db).User(name, name, abbreviation ? abbreviation : name, flags, password);
    }

    // The logged-in user's rights, changed in the users file as an
    // administrator would and in the session at once: the session follows
    // the users file, so rights kept on this workstation alone would not
    // last.
    int32_t Rights() { return Window().Session().User().Flags; }
    void SetRights(int32_t flags)
    {
        TSession& session = Window().Session();
        TUserRec user = session.User();
        user.Flags = flags;
        {
            TOrbekoDB db(Shell_);
            if (!db.UserFile.Rewrite(user, session.UserId()))
                throw std::runtime_error(db.UserFile.StatusText());
        }
        session = TSession(session.UserId(), user);
    }

    // Answers the login dialog with a user name and password, pressing Ok.
    void AnswerLogin(const QString& name, const QString& password)
    {
        Dialogs_.Answer([name, password](QDialog& dialog) {
            auto& login = static_cast<TfrmLogin&>(dialog);
            login.edtUserName->setText(name);
            login.edtPassword->setText(password);
            login.actOkExecute();
            return login.result();
        });
    }

    TMessageBoxScript Messages_;
    TDialogScript Dialogs_;
    TFolderPromptScript Folders_;
    std::unique_ptr<TfrmMain> Window_;

private:
    TTempDir Temp_;
    TEnvOverride TempFolder_{"TMPDIR", QByteArray::fromStdString(Temp_.Path())};
};

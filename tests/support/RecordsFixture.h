#pragma once

#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QImage>

#include <functional>
#include <memory>
#include <optional>
#include <string>

// An empty database that each test fills with the records it needs
// (Records), with scripted dialog runs and message boxes.
class TRecordsFixture : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Records.emplace(*Db);
    }
    void TearDown() override
    {
        Records.reset();
        Db.reset();
        TDatabaseFixture::TearDown();
    }

    // Adds a user with this full name, named U1, U2, ... in turn; returns
    // his identifier.
    std::string AddUser(const std::string& fullName)
    {
        return Records->User("U" + std::to_string(++Users_), fullName, fullName.substr(0, 10));
    }

    // Runs an administrator's dialog over the database; inside acts in it
    // while it shows, then Close is pressed. The dialog's result.
    template <class TForm> int RunThenClose(TForm& form, const std::function<void()>& inside)
    {
        Dialogs.Answer([&form, inside](QDialog&) {
            inside();
            form.btnClose->click();
            return form.result();
        });
        return form.Execute(*Db);
    }

    // Saves the dialog as it shows now, for the help pages: into
    // $ORBEKO_SCREENSHOT_DIR (docs/help to renew them), else the temporary folder.
    static void SaveShot(QDialog& dialog, const char* name)
    {
        QString folder = qEnvironmentVariable("ORBEKO_SCREENSHOT_DIR");
        if (folder.isEmpty())
            folder = QDir::tempPath();
        EXPECT_TRUE(dialog.grab().toImage().save(QDir(folder).filePath(QString::fromLatin1(name)))) << name;
    }

    TDayEntryRec ReadEvent(const std::string& id)
    {
        TDayEntryRec entry{};
        EXPECT_TRUE(Db->DayEntryFile.GetEqual(entry, 0, id)) << id;
        return entry;
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    TDialogScript Dialogs;
    TMessageBoxScript Messages;

private:
    int Users_ = 0;
};

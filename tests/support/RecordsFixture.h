#pragma once

#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "support/DatabaseFixture.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QImage>

#include <functional>
#include <memory>
#include <string>

// An empty database that each test fills with the records it needs, with
// scripted dialog runs and message boxes.
class TRecordsFixture : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
    }
    void TearDown() override
    {
        Db.reset();
        TDatabaseFixture::TearDown();
    }

    // Adds a user with this full name; returns his identifier.
    std::string AddUser(const std::string& fullName)
    {
        TUserRec user;
        Db->InitUser(user);
        SetField(user.FullName, fullName);
        SetField(user.UserName, "U" + std::to_string(++Users_));
        SetField(user.Abbreviation, fullName.substr(0, 10));
        EXPECT_TRUE(Db->UserFile.Add(user, "")) << Db->UserFile.StatusText();
        return Db->UserFile.LastKey();
    }

    std::string AddCategory(const std::string& description)
    {
        TCategoryRec category{};
        SetField(category.Description, description);
        EXPECT_TRUE(Db->CategoryFile.Add(category, "")) << Db->CategoryFile.StatusText();
        return Db->CategoryFile.LastKey();
    }

    std::string AddEvent(int64_t stamp, const std::string& owner, const std::string& category,
                         const std::string& description)
    {
        TDayEntryRec entry;
        Db->InitDayEntry(entry);
        SetField(entry.EntryStamp, IdText(stamp));
        SetField(entry.OwnerId, owner);
        SetField(entry.CategoryId, category);
        SetField(entry.Description, description);
        SetField(entry.AssigneeIds[0], owner);
        EXPECT_TRUE(Db->DayEntryFile.Add(entry, "")) << Db->DayEntryFile.StatusText();
        return Db->DayEntryFile.LastKey();
    }

    std::string AddAlarm(int64_t stamp, const std::string& entry, const std::string& user)
    {
        TAlarmRec alarm;
        Db->InitAlarm(alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.EntryId, entry);
        SetAlarmUser(alarm, user);
        SetAlarmStamp(alarm, IdText(stamp));
        EXPECT_TRUE(Db->AlarmFile.Add(alarm, "")) << Db->AlarmFile.StatusText();
        return Db->AlarmFile.LastKey();
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
    TDialogScript Dialogs;
    TMessageBoxScript Messages;

private:
    int Users_ = 0;
};

#pragma once

#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "support/DatabaseFixture.h"

#include <QDateTime>
#include <QLocale>

#include <memory>
#include <string>
#include <vector>

// Users Ann Smith (1), Bob Brown (2), Carl Jones (3), the categories
// Meeting (1) and Travel (2), and the day names of British English.
class TReportFixture : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        PointRegistryAtDatabase();
        Db = Connect();
        for (const char* name : {"Ann Smith", "Bob Brown", "Carl Jones"})
            AddUser(name);
        for (const char* description : {"Meeting", "Travel"}) {
            TCategoryRec category{};
            SetField(category.Description, description);
            ASSERT_TRUE(Db->CategoryFile.Add(category, ""));
        }
    }
    void TearDown() override
    {
        Db.reset();
        QLocale::setDefault(Saved_);
        TDatabaseFixture::TearDown();
    }

public:
    std::string AddUser(const std::string& fullName)
    {
        TUserRec user;
        Db->InitUser(user);
        user.Flags = urAddEntries;
        SetField(user.FullName, fullName);
        SetField(user.UserName, fullName.substr(0, 3));
        SetField(user.Abbreviation, fullName.substr(0, 3));
        EXPECT_TRUE(Db->UserFile.Add(user, ""));
        return Db->UserFile.LastKey();
    }

    std::string AddEvent(const QDateTime& when, const std::string& description, const std::vector<std::string>& who,
                         int32_t flags = 0, const std::string& category = "0000000000")
    {
        TStamp stamp;
        stamp.SetDateTime(when);
        TDayEntryRec entry;
        Db->InitDayEntry(entry);
        entry.Flags = flags;
        SetField(entry.EntryStamp, stamp.StampText());
        SetField(entry.OwnerId, "0000000001");
        SetField(entry.CategoryId, category);
        SetField(entry.Description, description);
        for (size_t i = 0; i < who.size(); ++i)
            SetField(entry.AssigneeIds[i], who[i]);
        EXPECT_TRUE(Db->DayEntryFile.Add(entry, ""));
        return Db->DayEntryFile.LastKey();
    }

    std::unique_ptr<TOrbekoDB> Db;

protected:
    QLocale Saved_;
};

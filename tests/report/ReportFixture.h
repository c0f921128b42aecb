#pragma once

#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"

#include <QDateTime>
#include <QLocale>

#include <memory>
#include <optional>
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
        Records.emplace(*Db);
        for (const std::string name : {"Ann Smith", "Bob Brown", "Carl Jones"})
            Records->User(name.substr(0, 3), name, name.substr(0, 3), urAddEntries);
        for (const char* description : {"Meeting", "Travel"})
            Records->Category(description);
    }
    void TearDown() override
    {
        Records.reset();
        Db.reset();
        QLocale::setDefault(Saved_);
        TDatabaseFixture::TearDown();
    }

public:
    // An event of Ann's.
    std::string AddEvent(const QDateTime& when, const std::string& description, const std::vector<std::string>& who,
                         int32_t flags = 0, const std::string& category = kNoneId)
    {
        return Records->Event(StampOf(when), "0000000001", who, description, flags, category);
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;

protected:
    QLocale Saved_;
};

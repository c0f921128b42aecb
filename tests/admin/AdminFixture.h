#pragma once

#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "support/DiaryRecords.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"
#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline const std::string kAnn = "0000000001";
inline const std::string kBob = "0000000002";
inline const std::string kCid = "0000000003";
inline const std::string kDee = "0000000004";

// A database with users ANN (1, the administrator logged in), BOB (2),
// CID (3) and DEE (4), and scripted dialog runs and message boxes.
class TAdminFixture : public TDatabaseFixture
{
protected:
    void SetUp() override
    {
        TDatabaseFixture::SetUp();
        PointRegistryAtDatabase();
        Db = Connect();
        Records.emplace(*Db);
        Records->User("ANN", "ANN Full", "A", urAddEntries | urAdminister | urModifyOthers);
        for (const std::string name : {"BOB", "CID", "DEE"})
            Records->User(name, name + " Full", name.substr(0, 1), urAddEntries);
    }

    // Gives the right "Can administer" to exactly these of the four users,
    // through connection, as another workstation may do while ANN is
    // logged in.
    void Administrators(TOrbekoDB& connection, const std::vector<std::string>& ids)
    {
        for (const std::string& id : {kAnn, kBob, kCid, kDee}) {
            TUserRec user;
            ASSERT_TRUE(connection.UserFile.GetEqual(user, 0, id));
            const bool administers = std::find(ids.begin(), ids.end(), id) != ids.end();
            user.Flags = administers ? user.Flags | urAdminister : user.Flags & ~urAdminister;
            ASSERT_TRUE(connection.UserFile.Rewrite(user, id));
        }
    }

    // The stored user, read through a connection of its own.
    bool StoredUser(const std::string& id, TUserRec& user)
    {
        TOrbekoDB db(Shell_);
        return db.UserFile.GetEqual(user, 0, id);
    }

    std::unique_ptr<TOrbekoDB> Db;
    std::optional<TDiaryRecords> Records;
    TDialogScript Dialogs;
    TMessageBoxScript Messages;
};

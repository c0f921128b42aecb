#pragma once

#include "storage/OrbekoDB.h"
#include "support/DatabaseFixture.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"
#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A database of users for the group dialogs, with scripted dialog runs and
// message boxes.
class TGroupDialogFixture : public TDatabaseFixture
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
        SetField(user.UserName, "U" + std::to_string(++Added_));
        SetField(user.Abbreviation, fullName.substr(0, 10));
        EXPECT_TRUE(Db->UserFile.Add(user, "")) << Db->UserFile.StatusText();
        return Db->UserFile.LastKey();
    }

    std::unique_ptr<TOrbekoDB> Db;
    TDialogScript Dialogs;
    TMessageBoxScript Messages;

private:
    int Added_ = 0;
};

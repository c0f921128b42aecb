#pragma once

#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "support/EnvOverride.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Answers a connection's questions from a script and keeps what it was told.
class TScriptedDBShell : public TOrbekoDBShell
{
public:
    std::vector<std::string> Warnings;
    std::vector<std::string> Captions;
    std::deque<std::optional<std::string>> Folders;  // nullopt: the user cancels
    std::vector<std::string> Questions;
    bool CreateAnswer = true;  // the answer to "Create a new one here?"

    void Warn(const std::string& text) override { Warnings.push_back(text); }
    bool AskFolder(const std::string& caption, std::string& folder) override
    {
        Captions.push_back(caption);
        if (Folders.empty() || !Folders.front()) {
            if (!Folders.empty())
                Folders.pop_front();
            return false;
        }
        folder = *Folders.front();
        Folders.pop_front();
        return true;
    }
    bool Confirm(const std::string& text) override
    {
        Questions.push_back(text);
        return CreateAnswer;
    }
};

// A private registry (XDG_CONFIG_HOME) and an empty database folder per test.
class TDatabaseFixture : public ::testing::Test
{
protected:
    // The registry key with RootPath pointing at the test's database folder.
    void PointRegistryAtDatabase()
    {
        auto key = TRegistryKey::Open(true);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->WriteText("RootPath", QString::fromStdString(Data_.Path())));
    }

    std::unique_ptr<TOrbekoDB> Connect()
    {
        return std::make_unique<TOrbekoDB>(Shell_);
    }

    const std::string& DataPath() const { return Data_.Path(); }
    std::string DataFile(const std::string& name) const { return Data_.File(name); }

    TScriptedDBShell Shell_;

private:
    TTempDir Config_;
    TTempDir Data_;
    TEnvOverride ConfigHome_{"XDG_CONFIG_HOME", QByteArray::fromStdString(Config_.Path())};
};

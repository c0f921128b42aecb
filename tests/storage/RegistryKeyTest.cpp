#include "storage/RegistryKey.h"
#include "support/EnvOverride.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>


namespace {

class RegistryKeyTest : public ::testing::Test
{
protected:
    void WriteRaw(const char* text)
    {
        ASSERT_NE(TRegistryKey::Open(true), nullptr);
        QFile file(TRegistryKey::FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    TTempDir Dir_;
    TEnvOverride ConfigHome_{"XDG_CONFIG_HOME", QByteArray::fromStdString(Dir_.Path())};
};

TEST_F(RegistryKeyTest, FileFollowsConfigHome)
{
    EXPECT_EQ(TRegistryKey::FileName(), QString::fromStdString(Dir_.File("Tresk/Orbeko.conf")));
}

TEST_F(RegistryKeyTest, OpenWithoutCreateFindsNoKeyAndMakesNone)
{
    EXPECT_EQ(TRegistryKey::Open(false), nullptr);
    EXPECT_FALSE(QFileInfo::exists(TRegistryKey::FileName()));
    EXPECT_NE(TRegistryKey::Open(true), nullptr);
    EXPECT_TRUE(QFileInfo(TRegistryKey::FileName()).isFile());
    EXPECT_NE(TRegistryKey::Open(false), nullptr);
}

TEST_F(RegistryKeyTest, ValuesRoundTripAcrossOpenings)
{
    {
        auto key = TRegistryKey::Open(true);
        ASSERT_TRUE(key->WriteInteger("TimeColor", 0x00FF00FF));
        ASSERT_TRUE(key->WriteText("RootPath", "/srv/diary, shared"));
        ASSERT_TRUE(key->WriteText("Group0", ","));
        ASSERT_TRUE(key->WriteText("Group1", "Sales,0000000002,\"a b\""));
    }
    auto key = TRegistryKey::Open(false);
    ASSERT_NE(key, nullptr);
    uint32_t colour = 0;
    QString text;
    EXPECT_TRUE(key->ReadInteger("TimeColor", colour));
    EXPECT_EQ(colour, 0x00FF00FFu);
    EXPECT_TRUE(key->ReadText("RootPath", text));
    EXPECT_EQ(text, "/srv/diary, shared");
    EXPECT_TRUE(key->ReadText("Group0", text));
    EXPECT_EQ(text, ",");
    EXPECT_TRUE(key->ReadText("Group1", text));
    EXPECT_EQ(text, "Sales,0000000002,\"a b\"");
    EXPECT_TRUE(key->DeleteValue("RootPath"));
    EXPECT_FALSE(key->ReadText("RootPath", text));
}

TEST_F(RegistryKeyTest, WronglyTypedIntegersAreRefused)
{
    WriteRaw("[General]\nA=red\nB=4294967296\nC=-1\nD=12\nE=1,2\n");
    auto key = TRegistryKey::Open(false);
    uint32_t value = 77;
    EXPECT_FALSE(key->ReadInteger("A", value));
    EXPECT_FALSE(key->ReadInteger("B", value));
    EXPECT_FALSE(key->ReadInteger("E", value));
    EXPECT_FALSE(key->ReadInteger("Missing", value));
    EXPECT_EQ(value, 77u);
    EXPECT_TRUE(key->ReadInteger("C", value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_TRUE(key->ReadInteger("D", value));
    EXPECT_EQ(value, 12u);
    QString text;
    EXPECT_FALSE(key->ReadText("E", text)) << "an unquoted list is not one text";
}

TEST_F(RegistryKeyTest, WriteThatCannotBeStoredFails)
{
    auto key = TRegistryKey::Open(true);
    // A folder where the file should be cannot be written, not even by root.
    ASSERT_TRUE(QFile::remove(TRegistryKey::FileName()));
    ASSERT_TRUE(QDir().mkpath(TRegistryKey::FileName()));
    EXPECT_FALSE(key->WriteInteger("TimeColor", 1));
    EXPECT_EQ(TRegistryKey::Open(true), nullptr);
}

}  // namespace

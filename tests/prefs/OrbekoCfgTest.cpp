#include "prefs/OrbekoCfg.h"

#include "storage/RegistryKey.h"
#include "support/EnvOverride.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include <csignal>
#include <sys/resource.h>

namespace {

// Files may grow to a few bytes only while it lives: the one way to make a
// write fail for root, whom file modes do not stop.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &Old_);
        OldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Old_);
        std::signal(SIGXFSZ, OldHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit Old_{};
    void (*OldHandler_)(int) = nullptr;
};

struct TDefault
{
    const char* Name;
    uint32_t Stored;
};

// The options in the order of the key, as a fresh Save writes them.
const TDefault Defaults[] = {
    {"TimeColor", 0x000000FF},    {"PrivateColor", 0x00800000},    {"CategoryColor", 0x00808000},
    {"AssigneeColor", 0x00008000}, {"DescriptionColor", 0x00800000}, {"PrivateItalic", 0},
    {"CategoryItalic", 0},         {"AssigneeItalic", 0},            {"ExpandLines", 1},
    {"ShowCategories", 1},         {"ShowAlarmGlyphs", 1},           {"ShowPrivateGlyphs", 1},
    {"DesktopNotifications", 1},
};

class OrbekoCfgTest : public ::testing::Test
{
protected:

    static void WriteText(const QString& name, const QString& value)
    {
        ASSERT_TRUE(TRegistryKey::Open(true)->WriteText(name, value));
    }
    static void WriteInteger(const QString& name, uint32_t value)
    {
        ASSERT_TRUE(TRegistryKey::Open(true)->WriteInteger(name, value));
    }
    // A line as it stands in the file, for values the key cannot write.
    static void AppendRaw(const QByteArray& lines)
    {
        ASSERT_NE(TRegistryKey::Open(true), nullptr);
        QFile file(TRegistryKey::FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
        if (file.size() == 0)
            file.write("[General]\n");
        file.write(lines);
    }
    static QString ReadText(const QString& name)
    {
        QString value = QStringLiteral("<missing>");
        TRegistryKey::Open(false)->ReadText(name, value);
        return value;
    }
    static uint32_t ReadInteger(const QString& name)
    {
        uint32_t value = 0xDEADBEEF;
        TRegistryKey::Open(false)->ReadInteger(name, value);
        return value;
    }

    TTempDir Dir_;
    TEnvOverride ConfigHome_{"XDG_CONFIG_HOME", QByteArray::fromStdString(Dir_.Path())};
};

TEST(OrbekoCfgColor, ColourReferencesMapToQColor)
{
    struct TCase
    {
        TColorRef Ref;
        QColor Color;
    };
    const TCase cases[] = {
        {0x000000FF, QColor(255, 0, 0)},   {0x00800000, QColor(0, 0, 128)},
        {0x00808000, QColor(0, 128, 128)}, {0x00008000, QColor(0, 128, 0)},
        {0x00030201, QColor(1, 2, 3)},     {0x00000000, QColor(0, 0, 0)},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ColorFromRef(c.Ref), c.Color) << std::hex << c.Ref;
        EXPECT_EQ(ColorToRef(c.Color), c.Ref) << std::hex << c.Ref;
    }
    EXPECT_EQ(ColorFromRef(0xFF0000FF), QColor(255, 0, 0)) << "the top byte is no colour";
    EXPECT_EQ(ColorToRef(QColor(1, 2, 3, 4)), 0x00030201u) << "alpha is dropped";
    EXPECT_EQ(ColorToRef(QColor::fromHsv(0, 255, 255)), 0x000000FFu);
}

TEST_F(OrbekoCfgTest, ConstructorMakesTenFreeSlots)
{
    const TOrbekoCfg cfg;
    ASSERT_EQ(cfg.Groups.size(), 10u);
    for (const TGroup& group : cfg.Groups) {
        EXPECT_TRUE(group.Description.isEmpty());
        EXPECT_TRUE(group.Members.isEmpty());
    }
}

TEST_F(OrbekoCfgTest, SetDefaultsResetsOptionsAndFreesSlotsInPlace)
{
    TOrbekoCfg cfg;
    const TGroup* slot3 = &cfg.Groups[3];
    cfg.Groups[3].FromText("Sales,0000000002");
    cfg.TimeColor = 1;
    cfg.PrivateItalic = true;
    cfg.ExpandLines = false;
    cfg.SetDefaults();
    EXPECT_EQ(cfg.TimeColor, 0x000000FFu);
    EXPECT_EQ(cfg.PrivateColor, 0x00800000u);
    EXPECT_EQ(cfg.CategoryColor, 0x00808000u);
    EXPECT_EQ(cfg.AssigneeColor, 0x00008000u);
    EXPECT_EQ(cfg.DescriptionColor, 0x00800000u);
    EXPECT_FALSE(cfg.PrivateItalic);
    EXPECT_FALSE(cfg.CategoryItalic);
    EXPECT_FALSE(cfg.AssigneeItalic);
    EXPECT_TRUE(cfg.ExpandLines);
    EXPECT_TRUE(cfg.ShowCategories);
    EXPECT_TRUE(cfg.ShowAlarmGlyphs);
    EXPECT_TRUE(cfg.ShowPrivateGlyphs);
    EXPECT_EQ(&cfg.Groups[3], slot3);
    EXPECT_EQ(cfg.Groups[3].ToText(), ",");
}

TEST_F(OrbekoCfgTest, NoKeyLoadsDefaultsAndSaveWritesEveryValue)
{
    ASSERT_FALSE(QFile::exists(TRegistryKey::FileName()));
    TOrbekoCfg cfg;
    cfg.Load();
    EXPECT_TRUE(QFile::exists(TRegistryKey::FileName())) << "Load creates the key";
    EXPECT_EQ(cfg.TimeColor, 0x000000FFu);
    EXPECT_TRUE(cfg.ExpandLines);
    for (const TGroup& group : cfg.Groups)
        EXPECT_TRUE(group.Description.isEmpty());

    cfg.Save();
    for (const TDefault& value : Defaults)
        EXPECT_EQ(ReadInteger(value.Name), value.Stored) << value.Name;
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(ReadText(QStringLiteral("Group%1").arg(slot)), ",") << slot;
    EXPECT_EQ(QSettings(TRegistryKey::FileName(), QSettings::IniFormat).allKeys().size(), 23);
}

TEST_F(OrbekoCfgTest, TimeColorAsTextKeepsItsDefaultWhileTheOthersAreRead)
{
    WriteText("TimeColor", "red");
    WriteInteger("PrivateColor", 0x00112233);
    WriteInteger("ShowCategories", 0);
    WriteInteger("DescriptionColor", 0x00445566);
    TOrbekoCfg cfg;
    cfg.Load();
    EXPECT_EQ(cfg.TimeColor, 0x000000FFu);
    EXPECT_EQ(cfg.PrivateColor, 0x00112233u);
    EXPECT_FALSE(cfg.ShowCategories);
    EXPECT_EQ(cfg.DescriptionColor, 0x00445566u);
}

TEST_F(OrbekoCfgTest, BooleansAreTrueWhenNotZeroAndSavedAsOneOrZero)
{
    WriteInteger("PrivateItalic", 7);
    WriteInteger("ExpandLines", 0);
    WriteText("ShowAlarmGlyphs", "yes");
    TOrbekoCfg cfg;
    cfg.Load();
    EXPECT_TRUE(cfg.PrivateItalic);
    EXPECT_FALSE(cfg.ExpandLines);
    EXPECT_TRUE(cfg.ShowAlarmGlyphs) << "a wrongly typed value keeps its default";
    cfg.Save();
    EXPECT_EQ(ReadInteger("PrivateItalic"), 1u);
    EXPECT_EQ(ReadInteger("ExpandLines"), 0u);
    EXPECT_EQ(ReadInteger("ShowAlarmGlyphs"), 1u);
}

TEST_F(OrbekoCfgTest, SalesGroupRoundTrips)
{
    WriteText("Group4", "Sales,0000000002,0000000005");
    TOrbekoCfg cfg;
    cfg.Load();
    EXPECT_EQ(cfg.Groups[4].Description, "Sales");
    EXPECT_EQ(cfg.Groups[4].Members, QStringList({"0000000002", "0000000005"}));
    EXPECT_EQ(cfg.Groups[4].ToText(), "Sales,0000000002,0000000005");
    cfg.Save();
    EXPECT_EQ(ReadText("Group4"), "Sales,0000000002,0000000005");
}

struct TFreeSlotCase
{
    const char* Name;
    const char* RawLine;  // nullptr: no value at all
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TFreeSlotCase& c, std::ostream* os)
{
    *os << c.Name;
}

class OrbekoCfgFreeSlot : public OrbekoCfgTest, public ::testing::WithParamInterface<TFreeSlotCase>
{
};

TEST_P(OrbekoCfgFreeSlot, Group7IsFreeAndWrittenBackAsComma)
{
    WriteText("Group6", "Keep,0000000001");
    if (GetParam().RawLine)
        AppendRaw(GetParam().RawLine);
    TOrbekoCfg cfg;
    cfg.Groups[7].FromText("Stale,0000000004");
    cfg.Load();
    EXPECT_TRUE(cfg.Groups[7].Description.isEmpty());
    EXPECT_TRUE(cfg.Groups[7].Members.isEmpty());
    EXPECT_EQ(cfg.Groups[6].Description, "Keep") << "the slot before is read as usual";
    cfg.Save();
    EXPECT_EQ(ReadText("Group7"), ",");
}

INSTANTIATE_TEST_SUITE_P(Cases, OrbekoCfgFreeSlot,
                         ::testing::Values(TFreeSlotCase{"Missing", nullptr},
                                           TFreeSlotCase{"Empty", "Group7=\n"},
                                           TFreeSlotCase{"Comma", "Group7=\",\"\n"},
                                           TFreeSlotCase{"NotText", "Group7=Sales, 0000000002\n"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OrbekoCfgTest, LeadingCommaLeavesTheSlotFree)
{
    WriteText("Group1", ",0000000003");
    TOrbekoCfg cfg;
    cfg.Load();
    EXPECT_TRUE(cfg.Groups[1].Description.isEmpty());
    EXPECT_EQ(cfg.Groups[1].Members, QStringList({"0000000003"}));
}

TEST_F(OrbekoCfgTest, SettingsRoundTripAndRootPathIsLeftAlone)
{
    WriteText("RootPath", "/srv/orbeko/");
    TOrbekoCfg saved;
    saved.SetDefaults();
    saved.TimeColor = 0x00010203;
    saved.PrivateColor = 0x00FFFFFF;
    saved.CategoryColor = 0;
    saved.AssigneeColor = 0x00ABCDEF;
    saved.DescriptionColor = 0x00123456;
    saved.PrivateItalic = true;
    saved.CategoryItalic = true;
    saved.AssigneeItalic = true;
    saved.ExpandLines = false;
    saved.ShowCategories = false;
    saved.ShowAlarmGlyphs = false;
    saved.ShowPrivateGlyphs = false;
    saved.DesktopNotifications = false;
    saved.Groups[0].FromText("Sales,0000000002,0000000005");
    saved.Groups[9].FromText("Board,0000000001");
    saved.Save();

    TOrbekoCfg loaded;
    loaded.Load();
    EXPECT_EQ(loaded.TimeColor, 0x00010203u);
    EXPECT_EQ(loaded.PrivateColor, 0x00FFFFFFu);
    EXPECT_EQ(loaded.CategoryColor, 0u);
    EXPECT_EQ(loaded.AssigneeColor, 0x00ABCDEFu);
    EXPECT_EQ(loaded.DescriptionColor, 0x00123456u);
    EXPECT_TRUE(loaded.PrivateItalic);
    EXPECT_TRUE(loaded.CategoryItalic);
    EXPECT_TRUE(loaded.AssigneeItalic);
    EXPECT_FALSE(loaded.ExpandLines);
    EXPECT_FALSE(loaded.ShowCategories);
    EXPECT_FALSE(loaded.ShowAlarmGlyphs);
    EXPECT_FALSE(loaded.ShowPrivateGlyphs);
    EXPECT_FALSE(loaded.DesktopNotifications);
    for (int slot = 0; slot < 10; ++slot)
        EXPECT_EQ(loaded.Groups[slot].ToText(), saved.Groups[slot].ToText()) << slot;
    EXPECT_EQ(ReadText("RootPath"), "/srv/orbeko/");
}

TEST_F(OrbekoCfgTest, LoadStartsFromDefaults)
{
    TOrbekoCfg cfg;
    cfg.Load();
    cfg.TimeColor = 5;
    cfg.Groups[2].FromText("Temp,0000000007");
    cfg.Load();
    EXPECT_EQ(cfg.TimeColor, 0x000000FFu);
    EXPECT_EQ(cfg.Groups[2].ToText(), ",");
}

TEST_F(OrbekoCfgTest, KeyThatCannotBeMadeFailsLoadAndSave)
{
    ASSERT_TRUE(QDir().mkpath(TRegistryKey::FileName()));
    TOrbekoCfg cfg;
    cfg.SetDefaults();
    try {
        cfg.Load();
        FAIL() << "Load went through";
    } catch (const EOrbekoCfg& e) {
        EXPECT_STREQ(e.what(), "Unable to create Orbeko registry key");
    }
    try {
        cfg.Save();
        FAIL() << "Save went through";
    } catch (const EOrbekoCfg& e) {
        EXPECT_STREQ(e.what(), "Unable to create Orbeko registry key");
    }
}

TEST_F(OrbekoCfgTest, FailedWriteNamesTheValueAndStopsSave)
{
    WriteText("Group0", "Old,0000000001");
    const QByteArray before = [] {
        QFile file(TRegistryKey::FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    TOrbekoCfg cfg;
    cfg.SetDefaults();
    try {
        const TFileSizeLimit limit(4);
        cfg.Save();
        FAIL() << "Save went through";
    } catch (const EOrbekoCfg& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'TimeColor'");
    }
    QFile file(TRegistryKey::FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

}  // namespace

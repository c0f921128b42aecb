#include "storage/Records.h"
#include "storage/Stamp.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

// A field of Width bytes with guard bytes on both sides, prefilled with
// garbage so that both a spill and a missing NUL fill show.
template <std::size_t Width> struct TGuardedField
{
    static constexpr char kGuard = '#';
    static constexpr std::size_t kGuardSize = 8;
    std::array<char, kGuardSize + Width + kGuardSize> Bytes;

    TGuardedField()
    {
        Bytes.fill(kGuard);
        std::memset(Field(), 'Z', Width);
    }
    char* Field() { return Bytes.data() + kGuardSize; }
    std::string Content() const { return std::string(Bytes.data() + kGuardSize, Width); }
    bool GuardsIntact() const
    {
        for (std::size_t i = 0; i < kGuardSize; ++i)
            if (Bytes[i] != kGuard || Bytes[kGuardSize + Width + i] != kGuard)
                return false;
        return true;
    }
};

std::string Padded(const std::string& text, std::size_t width)
{
    return text + std::string(width - text.size(), '\0');
}

const unsigned char* BytesOf(const void* record)
{
    return static_cast<const unsigned char*>(record);
}

std::string BytesAt(const void* record, std::size_t offset, std::size_t width)
{
    return std::string(reinterpret_cast<const char*>(BytesOf(record)) + offset, width);
}

}  // namespace

struct TSetFieldCase
{
    std::string Text;
    std::string Stored;  // what the 11-byte field must hold up to its NUL
};

void PrintTo(const TSetFieldCase& c, std::ostream* os)
{
    *os << c.Text.size() << " characters";
}

class RecordsSetField : public ::testing::TestWithParam<TSetFieldCase>
{
};

TEST_P(RecordsSetField, StaysInsideAndFillsWithNul)
{
    TGuardedField<11> field;
    SetField(field.Field(), 11, GetParam().Text);
    EXPECT_TRUE(field.GuardsIntact());
    EXPECT_EQ(field.Content(), Padded(GetParam().Stored, 11));
    EXPECT_EQ(FieldText(field.Field(), 11), GetParam().Stored);
}

INSTANTIATE_TEST_SUITE_P(Table, RecordsSetField,
                         ::testing::Values(TSetFieldCase{"", ""}, TSetFieldCase{"abc", "abc"},
                                           TSetFieldCase{"0000000012", "0000000012"},
                                           TSetFieldCase{"00000000123", "0000000012"},
                                           TSetFieldCase{std::string(300, 'x'), std::string(10, 'x')}));

TEST(Records, SetFieldOfWidthOneOrZero)
{
    TGuardedField<1> one;
    SetField(one.Field(), 1, "abc");
    EXPECT_TRUE(one.GuardsIntact());
    EXPECT_EQ(one.Content(), std::string(1, '\0'));

    TGuardedField<0> none;
    SetField(none.Field(), 0, "abc");
    EXPECT_TRUE(none.GuardsIntact());
}

TEST(Records, FieldTextWithoutNulReadsTheWholeWidth)
{
    TGuardedField<11> field;  // eleven 'Z', no NUL, guards behind
    EXPECT_EQ(FieldText(field.Field(), 11), std::string(11, 'Z'));
    field.Field()[4] = '\0';
    EXPECT_EQ(FieldText(field.Field(), 11), "ZZZZ");
    field.Field()[0] = '\0';
    EXPECT_EQ(FieldText(field.Field(), 11), "");
}

TEST(Records, LongDescriptionIsCutAndLeavesTheAssigneesAlone)
{
    TDayEntryRec entry;
    std::memset(&entry, 'Z', sizeof entry);
    SetField(entry.Description, std::string(400, 'd'));
    EXPECT_EQ(FieldText(entry.Description), std::string(254, 'd'));
    EXPECT_EQ(BytesOf(&entry)[39 + 254], 0);
    EXPECT_EQ(BytesAt(&entry, 294, 11), std::string(11, 'Z'));
    EXPECT_EQ(BytesAt(&entry, 0, 39), std::string(39, 'Z'));
}

TEST(Records, LastAssigneeSlotEndsTheRecord)
{
    struct
    {
        TDayEntryRec Entry;
        char After[8];
    } block;
    std::memset(&block, 'Z', sizeof block);
    SetField(block.Entry.AssigneeIds[kMaxAssignees - 1], "000000000719");
    EXPECT_EQ(BytesAt(&block.Entry, 294 + 19 * 11, 11), Padded("0000000007", 11));
    EXPECT_EQ(BytesAt(&block.Entry, 294 + 18 * 11, 11), std::string(11, 'Z'));
    EXPECT_EQ(std::string(block.After, 8), std::string(8, 'Z'));
}

struct TOffsetCase
{
    std::size_t Offset;
    std::size_t Width;
    std::string Text;
};

// Each text field of a day entry lands at its place in the 514 bytes.
TEST(Records, DayEntryFieldsLieAtTheirOffsets)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof entry);
    SetField(entry.EntryStamp, "0946684800");
    SetField(entry.OwnerId, "0000000003");
    SetField(entry.CategoryId, "0000000004");
    SetField(entry.Description, "Budget meeting");
    for (int slot = 0; slot < kMaxAssignees; ++slot)
        SetField(entry.AssigneeIds[slot], IdText(slot + 1));
    const TOffsetCase cases[] = {{6, 11, "0946684800"}, {17, 11, "0000000003"}, {28, 11, "0000000004"},
                                 {39, 255, "Budget meeting"}};
    for (const TOffsetCase& c : cases)
        EXPECT_EQ(BytesAt(&entry, c.Offset, c.Width), Padded(c.Text, c.Width)) << c.Offset;
    for (int slot = 0; slot < kMaxAssignees; ++slot)
        EXPECT_EQ(BytesAt(&entry, 294 + 11 * slot, 11), Padded(IdText(slot + 1), 11)) << slot;
}

TEST(Records, UserAlarmKeyOfUserSevenAtStamp)
{
    TAlarmRec alarm;
    std::memset(&alarm, 0, sizeof alarm);
    SetAlarmUser(alarm, "0000000007");
    SetAlarmStamp(alarm, "0946724400");
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "00000000070946724400");
    EXPECT_EQ(BytesAt(&alarm, 4, 11), Padded("0946724400", 11));
    EXPECT_EQ(BytesAt(&alarm, 26, 11), Padded("0000000007", 11));
    EXPECT_EQ(BytesAt(&alarm, 37, 21), Padded("00000000070946724400", 21));
}

TEST(Records, UserAlarmKeyFollowsEveryChange)
{
    TAlarmRec alarm;
    std::memset(&alarm, 0, sizeof alarm);
    SetAlarmStamp(alarm, "0946724400");
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "0946724400");
    SetAlarmUser(alarm, "0000000007");
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "00000000070946724400");
    SetAlarmStamp(alarm, "0946725000");
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "00000000070946725000");
    SetAlarmUser(alarm, "0000000012");
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "00000000120946725000");
    EXPECT_EQ(FieldText(alarm.AlarmStamp), "0946725000");
}

TEST(Records, UserAlarmKeyNeverSpillsFromOverlongParts)
{
    TAlarmRec alarm;
    std::memset(&alarm, 'Z', sizeof alarm);  // no NUL anywhere
    SetAlarmUser(alarm, "000000000712345");
    EXPECT_EQ(FieldText(alarm.UserId), "0000000007");
    // AlarmStamp still lacks its NUL: read as its full 11 bytes, then cut.
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "0000000007ZZZZZZZZZZ");
    EXPECT_EQ(BytesOf(&alarm)[57], 0);
    SetAlarmStamp(alarm, "09467244001");
    EXPECT_EQ(FieldText(alarm.UserAlarmKey), "00000000070946724400");
    EXPECT_EQ(BytesAt(&alarm, 15, 11), std::string(11, 'Z'));
}

struct TCodecCase
{
    QString Text;
    std::string Stored;  // what an 11-byte field holds up to its NUL
    QString ReadBack;
};

void PrintTo(const TCodecCase& c, std::ostream* os)
{
    *os << c.Text.toStdString();
}

class RecordsCodec : public ::testing::TestWithParam<TCodecCase>
{
};

// Ten bytes of text fit an 11-byte field; a character that would straddle
// the tenth byte is left out whole.
TEST_P(RecordsCodec, StoresUtf8CutAtACharacter)
{
    const TCodecCase& c = GetParam();
    TGuardedField<11> field;
    SetField(field.Field(), 11, EncodeText(c.Text, 11));
    EXPECT_TRUE(field.GuardsIntact());
    EXPECT_EQ(field.Content(), Padded(c.Stored, 11));
    EXPECT_EQ(DecodeText(FieldText(field.Field(), 11)), c.ReadBack);
    // What a validator counts is what the field holds.
    EXPECT_EQ(EncodeText(c.ReadBack), c.Stored);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordsCodec,
    ::testing::Values(TCodecCase{QStringLiteral("Budget"), "Budget", QStringLiteral("Budget")},
                      TCodecCase{QStringLiteral("Caf\u00e9 cr\u00e8me"), "Caf\xc3\xa9 cr\xc3\xa8",
                                 QStringLiteral("Caf\u00e9 cr\u00e8")},
                      TCodecCase{QStringLiteral("123456789\u00e9"), "123456789", QStringLiteral("123456789")},
                      TCodecCase{QStringLiteral("1234567\u20ac"), "1234567\xe2\x82\xac", QStringLiteral("1234567\u20ac")},
                      TCodecCase{QStringLiteral("12345678\u20ac"), "12345678", QStringLiteral("12345678")},
                      TCodecCase{QString::fromUtf8("123456789\U0001F600"), "123456789",
                                 QStringLiteral("123456789")}));

TEST(Records, FieldStringRoundTripsAndOldSingleByteTextStillReads)
{
    TDayEntryRec entry;
    std::memset(&entry, 0, sizeof entry);
    SetFieldString(entry.Description, QStringLiteral("R\u00e9union \u00e0 l'\u00e9t\u00e9"));
    EXPECT_EQ(FieldString(entry.Description), QStringLiteral("R\u00e9union \u00e0 l'\u00e9t\u00e9"));
    SetField(entry.Description, "Caf\xe9");  // written by a Latin-1 workstation
    EXPECT_EQ(FieldString(entry.Description), QStringLiteral("Caf\u00e9"));
}

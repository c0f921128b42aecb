#include "prefs/Group.h"

#include <gtest/gtest.h>

namespace {

TGroup MakeGroup(const QString& description, const QStringList& members)
{
    TGroup group;
    group.Description = description;
    group.Members = members;
    return group;
}

struct TToTextCase
{
    const char* Name;
    QString Description;
    QStringList Members;
    QString Text;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TToTextCase& c, std::ostream* os)
{
    *os << c.Name;
}

class GroupToText : public ::testing::TestWithParam<TToTextCase>
{
};

TEST_P(GroupToText, WritesStoredForm)
{
    const TToTextCase& c = GetParam();
    EXPECT_EQ(MakeGroup(c.Description, c.Members).ToText(), c.Text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupToText,
    ::testing::Values(
        TToTextCase{"FreeSlot", "", {}, ","},
        TToTextCase{"Sales", "Sales", {"0000000002", "0000000005"}, "Sales,0000000002,0000000005"},
        TToTextCase{"NoMembers", "Sales", {}, "Sales,"},
        TToTextCase{"OneEmptyMember", "Sales", {""}, "Sales,\"\""},
        TToTextCase{"EmptyMemberInside", "A", {"", "x"}, "A,,x"},
        TToTextCase{"EmptyMemberLast", "A", {"x", ""}, "A,x,\"\""},
        TToTextCase{"Space", "A", {"a b"}, "A,\"a b\""},
        TToTextCase{"Tab", "A", {"\t"}, "A,\"\t\""},
        TToTextCase{"Comma", "A", {"1,2"}, "A,\"1,2\""},
        TToTextCase{"QuoteDoubled", "A", {"x\"y"}, "A,\"x\"\"y\""},
        TToTextCase{"Nul", "A", {QString(QChar(0))}, QString("A,\"") + QChar(0) + "\""},
        TToTextCase{"NonAsciiUnquoted", "A", {QString::fromUtf8("J\xc3\xa9r\xc3\xb4me")},
                    QString::fromUtf8("A,J\xc3\xa9r\xc3\xb4me")},
        TToTextCase{"MembersWithoutName", "", {"0000000003"}, ",0000000003"},
        TToTextCase{"NameNeedingQuotes", "My Team", {"0000000001"}, "\"My Team\",0000000001"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TFromTextCase
{
    const char* Name;
    QString Text;
    QString Description;
    QStringList Members;
};

void PrintTo(const TFromTextCase& c, std::ostream* os)
{
    *os << c.Name;
}

class GroupFromText : public ::testing::TestWithParam<TFromTextCase>
{
};

TEST_P(GroupFromText, ReadsStoredForm)
{
    const TFromTextCase& c = GetParam();
    TGroup group = MakeGroup("Old", {"0000000009"});
    group.FromText(c.Text);
    EXPECT_EQ(group.Description, c.Description);
    EXPECT_EQ(group.Members, c.Members);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupFromText,
    ::testing::Values(
        TFromTextCase{"Empty", "", "", {}},
        TFromTextCase{"FreeSlot", ",", "", {}},
        TFromTextCase{"Sales", "Sales,0000000002,0000000005", "Sales", {"0000000002", "0000000005"}},
        TFromTextCase{"NoComma", "Sales", "Sales", {}},
        TFromTextCase{"LeadingComma", ",0000000003", "", {"0000000003"}},
        TFromTextCase{"BlanksAroundItems", " \t Sales , 2 ,5  ", "Sales", {"2", "5"}},
        TFromTextCase{"OneEmptyMember", "Sales,\"\"", "Sales", {""}},
        TFromTextCase{"Quoted", "A,\"a b\",\"x\"\"y\",\"1,2\"", "A", {"a b", "x\"y", "1,2"}},
        TFromTextCase{"BlankSeparates", "a b", "a", {"b"}},
        TFromTextCase{"EmptyInside", "A,,x", "A", {"", "x"}},
        TFromTextCase{"TrailingComma", "A,x,", "A", {"x"}},
        TFromTextCase{"OnlyBlanks", " \t\r\n", "", {}},
        TFromTextCase{"QuoteLeftOpen", "A,\"open, still", "A", {"open, still"}},
        TFromTextCase{"LoneQuoteAtEnd", "A,\"", "A", {""}},
        TFromTextCase{"TextAfterClosingQuote", "A,\"x\"y", "A", {"x", "y"}},
        TFromTextCase{"NulEndsText", QString("A,x") + QChar(0) + ",y", "A", {"x"}},
        TFromTextCase{"NulFirst", QString(QChar(0)) + "A,x", "", {}},
        TFromTextCase{"NulInsideQuotes", QString("A,\"x") + QChar(0) + "y\",z", "A", {"x"}},
        TFromTextCase{"NulAfterBlanks", QString("A, ") + QChar(0), "A", {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Group, TextFormRoundTrips)
{
    const TGroup groups[] = {
        MakeGroup("", {}),
        MakeGroup("Sales", {"0000000002", "0000000005"}),
        MakeGroup("Sales", {""}),
        MakeGroup("A", {"", "", "x", ""}),
        MakeGroup("My, \"odd\" team", {" lead", "a\"b", "c,d", "\t"}),
        MakeGroup("Team", {QString::fromUtf8("\xc3\xa9t\xc3\xa9")}),
    };
    for (const TGroup& group : groups) {
        TGroup read;
        read.FromText(group.ToText());
        EXPECT_EQ(read.Description, group.Description) << group.ToText().toStdString();
        EXPECT_EQ(read.Members, group.Members) << group.ToText().toStdString();
    }
}

TEST(Group, MembersKeepOrderAndDuplicates)
{
    TGroup group;
    group.AddMember("0000000005");
    group.AddMember("0000000002");
    group.AddMember("0000000005");
    EXPECT_EQ(group.Members, QStringList({"0000000005", "0000000002", "0000000005"}));
}

TEST(Group, HasMemberIgnoresCase)
{
    const TGroup group = MakeGroup("G", {"0000000002", "abc"});
    EXPECT_TRUE(group.HasMember("0000000002"));
    EXPECT_TRUE(group.HasMember("ABC"));
    EXPECT_FALSE(group.HasMember("0000000003"));
    EXPECT_FALSE(group.HasMember("ab"));
    EXPECT_FALSE(group.HasMember(""));
}

TEST(Group, ClearFreesTheSlot)
{
    TGroup group = MakeGroup("Sales", {"0000000002"});
    group.Clear();
    EXPECT_TRUE(group.Description.isEmpty());
    EXPECT_TRUE(group.Members.isEmpty());
    EXPECT_EQ(group.ToText(), ",");
}

}  // namespace

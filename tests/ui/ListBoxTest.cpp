#include "ui/ListBox.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

QStringList Texts(const TListBox& list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.append(list.item(row)->text());
    return texts;
}

TEST(ListBoxTest, SortedListOrdersByTextWithoutRegardToCaseAndKeepsEachEntrysNumber)
{
    TListBox list;
    list.SetSorted(true);
    list.AddItem("bob", 2);
    list.AddItem("Carl", 3);
    list.AddItem("alice", 1);
    const int row = list.AddItem("Bob", 4);

    EXPECT_EQ(row, 2) << "after the equal text added earlier";
    EXPECT_EQ(Texts(list), QStringList({"alice", "bob", "Bob", "Carl"}));
    EXPECT_EQ(list.Data(0), 1);
    EXPECT_EQ(list.Data(1), 2);
    EXPECT_EQ(list.Data(2), 4);
    EXPECT_EQ(list.Data(3), 3);
}

TEST(ListBoxTest, UnsortedListKeepsTheOrderOfAdding)
{
    TListBox list;
    EXPECT_EQ(list.AddItem("Zeta", 0), 0);
    EXPECT_EQ(list.AddItem("Alpha", 9), 1);
    EXPECT_EQ(Texts(list), QStringList({"Zeta", "Alpha"}));
    EXPECT_EQ(list.Data(1), 9);
}

TEST(ListBoxTest, SortingAFilledListReordersIt)
{
    TListBox list;
    list.AddItem("b", 2);
    list.AddItem("a", 1);
    list.SetSorted(true);
    EXPECT_EQ(Texts(list), QStringList({"a", "b"}));
    EXPECT_EQ(list.Data(0), 1);
}

TEST(ListBoxTest, NumbersBeyondThirtyTwoBitsAndMissingRows)
{
    TListBox list;
    list.AddItem("far", 9999999999);
    EXPECT_EQ(list.Data(0), 9999999999);
    EXPECT_EQ(list.IndexOfData(9999999999), 0);
    EXPECT_EQ(list.IndexOfData(5), -1);
    EXPECT_EQ(list.Data(7), 0);
    EXPECT_EQ(list.SetItemText(7, "x"), -1);
}

TEST(ListBoxTest, ItemIndexIsTheSelectedRowOrMinusOne)
{
    TListBox list;
    list.AddItem("a", 1);
    list.AddItem("b", 2);
    EXPECT_EQ(list.ItemIndex(), -1);
    list.setCurrentRow(1);
    EXPECT_EQ(list.ItemIndex(), 1);
    list.clearSelection();
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(ListBoxTest, RenamedEntryMovesToItsPlaceAndStaysSelected)
{
    TListBox list;
    list.SetSorted(true);
    list.AddItem("Alpha", 0);
    list.AddItem("Beta", 1);
    list.AddItem("Gamma", 2);
    list.setCurrentRow(0);

    EXPECT_EQ(list.SetItemText(0, "Omega"), 2);
    EXPECT_EQ(Texts(list), QStringList({"Beta", "Gamma", "Omega"}));
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_EQ(list.Data(2), 0);

    list.clearSelection();
    EXPECT_EQ(list.SetItemText(0, "Zulu"), 2);
    EXPECT_EQ(list.ItemIndex(), -1) << "an unselected entry is not selected by a rename";
}

}  // namespace

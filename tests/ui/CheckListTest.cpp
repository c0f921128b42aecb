#include "ui/CheckList.h"

#include <gtest/gtest.h>

#include <QStyledItemDelegate>
#include <QTest>

#include <vector>

namespace {

// Where the style draws an entry's box, worked out as the list's delegate
// does it.
class TBoxProbe : public QStyledItemDelegate
{
public:
    QPoint BoxCentre(TCheckList& list, int row) const
    {
        QStyleOptionViewItem option;
        option.initFrom(list.viewport());
        option.rect = list.visualItemRect(list.item(row));
        option.widget = &list;
        initStyleOption(&option, list.model()->index(row, 0));
        return list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list).center();
    }
};

struct TAsked
{
    int Row;
    bool Checking;
    bool CheckedBefore;
};

class CheckListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        List.resize(300, 200);
        List.AddItem("Alice", 11);
        List.AddItem("Bob", 12);
        List.AddItem("Carl", 13);
        List.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&List));
        List.OnChanging = [this](int row, bool checking) {
            Asked.push_back({row, checking, List.Checked(row)});
            return Allow;
        };
        List.OnChange = [this](int row) { Changed.push_back(row); };
    }

    void ClickBox(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(List.viewport(), button, {}, TBoxProbe().BoxCentre(List, row));
    }

    TCheckList List;
    bool Allow = true;
    std::vector<TAsked> Asked;
    std::vector<int> Changed;
};

TEST_F(CheckListTest, NewEntriesAreUncheckedAndNeverGrayed)
{
    for (int row = 0; row < List.count(); ++row) {
        EXPECT_FALSE(List.Checked(row));
        EXPECT_EQ(List.item(row)->checkState(), Qt::Unchecked);
        EXPECT_FALSE(List.item(row)->flags() & Qt::ItemIsUserTristate);
    }
    EXPECT_EQ(List.CheckedCount(), 0);
}

TEST_F(CheckListTest, ClickOnTheBoxAsksBeforeTheChangeAndReportsAfterIt)
{
    ClickBox(1);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Row, 1);
    EXPECT_TRUE(Asked[0].Checking);
    EXPECT_FALSE(Asked[0].CheckedBefore) << "asked before the state changed";
    EXPECT_TRUE(List.Checked(1));
    EXPECT_EQ(Changed, std::vector<int>{1});

    ClickBox(1);
    ASSERT_EQ(Asked.size(), 2u);
    EXPECT_FALSE(Asked[1].Checking);
    EXPECT_TRUE(Asked[1].CheckedBefore);
    EXPECT_FALSE(List.Checked(1)) << "a checked box clears, it is never grayed";
    EXPECT_EQ(List.item(1)->checkState(), Qt::Unchecked);
}

TEST_F(CheckListTest, RefusedChangeLeavesTheEntryAndReportsNothing)
{
    Allow = false;
    ClickBox(0);
    EXPECT_EQ(Asked.size(), 1u);
    EXPECT_FALSE(List.Checked(0));
    EXPECT_TRUE(Changed.empty());
}

TEST_F(CheckListTest, SpaceBarTogglesTheCurrentEntry)
{
    List.setCurrentRow(2);
    QTest::keyClick(&List, Qt::Key_Space);
    EXPECT_TRUE(List.Checked(2));
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Row, 2);
    EXPECT_EQ(Changed, std::vector<int>{2});
}

TEST_F(CheckListTest, ClicksBesideTheBoxOrWithTheRightButtonOnlySelect)
{
    const QRect rect = List.visualItemRect(List.item(0));
    QTest::mouseClick(List.viewport(), Qt::LeftButton, {}, QPoint(rect.right() - 5, rect.center().y()));
    EXPECT_EQ(List.ItemIndex(), 0);
    ClickBox(1, Qt::RightButton);
    EXPECT_TRUE(Asked.empty());
    EXPECT_EQ(List.CheckedCount(), 0);
}

TEST_F(CheckListTest, StatesSetByTheProgramRaiseNothing)
{
    List.SetChecked(0, true);
    List.SetChecked(2, true);
    EXPECT_EQ(List.CheckedCount(), 2);
    List.SetChecked(0, false);
    EXPECT_EQ(List.CheckedCount(), 1);
    EXPECT_TRUE(Asked.empty());
    EXPECT_TRUE(Changed.empty());
}

TEST_F(CheckListTest, DisabledListOrEntryRefusesChanges)
{
    List.item(0)->setFlags(List.item(0)->flags() & ~Qt::ItemIsEnabled);
    List.ClickCheck(0);
    List.setEnabled(false);
    List.ClickCheck(1);
    EXPECT_TRUE(Asked.empty());
    EXPECT_EQ(List.CheckedCount(), 0);
}

TEST_F(CheckListTest, HandlerThatEmptiesTheListStopsTheChange)
{
    List.OnChanging = [this](int, bool) {
        List.clear();
        return true;
    };
    List.ClickCheck(2);
    EXPECT_EQ(List.count(), 0);
    EXPECT_TRUE(Changed.empty());
}

TEST_F(CheckListTest, SortedCheckListKeepsStatesWithTheirEntries)
{
    TCheckList list;
    list.SetSorted(true);
    list.AddItem("Zed", 26);
    list.SetChecked(0, true);
    list.AddItem("Amy", 1);
    EXPECT_FALSE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(list.Data(1), 26);
}

}  // namespace

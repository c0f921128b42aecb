#include "ui/ActionUpdater.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(ActionUpdaterTest, RunsEveryRuleOnceTheApplicationIsIdleAfterInput)
{
    TActionUpdater updater;
    int first = 0;
    int second = 0;
    updater.Add([&first] { ++first; });
    updater.Add([&second] { ++second; });
    QLineEdit edit;
    edit.show();

    QTest::keyClick(&edit, Qt::Key_A);
    QTest::keyClick(&edit, Qt::Key_B);
    // Input alone changes nothing until the queued events have run.
    EXPECT_EQ(first, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(ActionUpdaterTest, RulesThatChangeWidgetsDoNotKeepItGoing)
{
    TActionUpdater updater;
    QLineEdit edit;
    int runs = 0;
    updater.Add([&] {
        ++runs;
        edit.setEnabled(!edit.isEnabled());
        edit.setText(QString::number(runs));
    });
    updater.Schedule();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

TEST(ActionUpdaterTest, UpdateAllRunsTheRulesAtOnce)
{
    TActionUpdater updater;
    int runs = 0;
    updater.Add([&runs] { ++runs; });
    updater.UpdateAll();
    EXPECT_EQ(runs, 1);
}

TEST(ActionUpdaterTest, NoInputNoRun)
{
    TActionUpdater updater;
    int runs = 0;
    updater.Add([&runs] { ++runs; });
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0);
}

}  // namespace

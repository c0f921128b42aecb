#include "ui/Bell.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

namespace {

TEST(Bell, ScriptRecordsInsteadOfSoundingOrWaiting)
{
    QElapsedTimer clock;
    clock.start();
    {
        TBellScript bell;
        TBell::Beep();
        TBell::Pause(60000);
        TBell::Beep();
        EXPECT_EQ(bell.Log(), QStringList({"beep", "pause 60000", "beep"}));
    }
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(Bell, RealPauseWaitsAndKeepsTheEventLoopRunning)
{
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    TBell::Pause(50);
    EXPECT_GE(clock.elapsed(), 50);
    EXPECT_TRUE(fired) << "a timer due during the pause was served";
}

}  // namespace

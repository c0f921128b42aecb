#include "ui/Bell.h"
#include "support/BellScript.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

TEST(Bell, ScriptRecordsInsteadOfSoundingOrWaiting)
{
    // A real pause serves the event loop; the script's runs nothing, so a
    // timer due at once is still waiting afterwards.
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    TBellScript bell;
    TBell::Beep();
    TBell::Pause(60000);
    TBell::Beep();
    EXPECT_EQ(bell.Log(), QStringList({"beep", "pause 60000", "beep"}));
    EXPECT_FALSE(fired);
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired);
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

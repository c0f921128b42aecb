#include "app/InstanceLock.h"
#include "support/ChildProcess.h"
#include "support/EnvOverride.h"
#include "support/TempDir.h"

#include <QByteArray>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include <sys/time.h>
#include <unistd.h>

namespace {

ORBEKO_CHILD_ROLE(HoldInstance)
{
    TInstanceLock lock;
    if (!lock.Acquire())
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(30));
    return 0;
}

class InstanceLockTest : public ::testing::Test
{
protected:
    TTempDir Temp_;
    TEnvOverride TempFolder_{"TMPDIR", QByteArray::fromStdString(Temp_.Path())};
};

TEST_F(InstanceLockTest, OneHolderPerWorkstation)
{
    TInstanceLock first;
    TInstanceLock second;
    EXPECT_EQ(TInstanceLock::LockFileName("Orbeko"),
              QString::fromStdString(Temp_.File("Orbeko-" + std::to_string(getuid()) + ".lock")))
        << "one lock per account: another person on the machine runs a copy of his own";
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(first.Acquire()) << "taking it again is harmless";
    EXPECT_FALSE(second.Acquire());
    first.Release();
    EXPECT_TRUE(second.Acquire());
}

TEST_F(InstanceLockTest, AnotherProcessHoldsItUntilItDies)
{
    TChildProcess child("HoldInstance", {});
    std::string line;
    ASSERT_TRUE(child.ReadLine(line));
    ASSERT_EQ(line, "held");

    TInstanceLock lock;
    EXPECT_FALSE(lock.Acquire());
    // However long the first copy has been running, its lock stands.
    const QByteArray file = TInstanceLock::LockFileName("Orbeko").toLocal8Bit();
    const timeval old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimes(file.constData(), old), 0);
    EXPECT_FALSE(lock.Acquire());

    child.Kill(SIGKILL);
    child.Wait();
    EXPECT_TRUE(lock.Acquire()) << "a dead copy's lock is taken over";
}

}  // namespace

#include "support/ChildProcess.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs headless and can re-run itself as a child
// process ("--child NAME ARGS...") for tests that need a second workstation.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return TChildProcess::RunRole(argv[2], argc - 3, argv + 3);
    // Alarm notices must never reach the desktop of whoever runs the tests
    // (without the variable the bus library would find the session's socket
    // by itself); a test that wants a session bus starts its own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orbeko-tests-have-no-session-bus");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

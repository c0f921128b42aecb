// The built desktop program itself, started headless with the start probe
// preloaded (support/StartProbe.cpp): libpq comes in with the server home's
// module only when the location is a server, and a program that cannot load
// the module says so and where it looked.

#include "support/TempDir.h"
#include "support/TestDatabase.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

const char* const kMissingModule = "/nonexistent/orbeko-server-home.so";

struct TProgramCase
{
    const char* Name;
    bool OnServer;
    // ORBEKO_SERVER_HOME for the program; empty: the module beside it.
    const char* Module;
    // The probe's libpq line once the window is painted: mapped or absent.
    const char* Libpq;
    // Must be among the probe's lines.
    const char* Told;
};

class ServerHomeLoadingTest : public ::testing::TestWithParam<TProgramCase>
{
};

TEST_P(ServerHomeLoadingTest, LoadsTheServerHomeOnlyForAServer)
{
    const TProgramCase& param = GetParam();
    std::unique_ptr<TTestDatabase> server;
    if (param.OnServer) {
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        server = std::make_unique<TTestDatabase>();
    }
    const TTempDir scratch;
    const std::string location = server ? server->Location() : scratch.File("db");
    if (!server)
        std::filesystem::create_directory(location);
    QSettings(QString::fromStdString(scratch.File("config/Tresk/Orbeko.conf")), QSettings::IniFormat)
        .setValue(QStringLiteral("RootPath"), QString::fromStdString(location));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(scratch.File("config")));
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString(scratch.Path()));
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ORBEKO_START_PROBE));
    // A sanitized program would refuse a preload that comes before its runtime.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    environment.insert(QStringLiteral("ORBEKO_SERVER_HOME"), QString::fromLatin1(param.Module));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORBEKO_PROGRAM), {});
    ASSERT_TRUE(program.waitForFinished(60000)) << "the program did not end";
    const std::string said = program.readAllStandardError().toStdString();

    EXPECT_NE(said.find(std::string("probe: libpq ") + param.Libpq + "\n"), std::string::npos) << said;
    EXPECT_NE(said.find(param.Told), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(
    ServerHome, ServerHomeLoadingTest,
    ::testing::Values(
        TProgramCase{"Folder", false, "", "absent", "probe: message Welcome to Orbeko as a new administrator"},
        TProgramCase{"Server", true, "", "mapped", "probe: message Welcome to Orbeko as a new administrator"},
        TProgramCase{"ServerWithoutTheModule", true, kMissingModule, "absent",
                     "probe: message Unable to open the Orbeko Database on a PostgreSQL server: this installation "
                     "lacks Orbeko's server support (orbeko-server-home.so). |  | It was looked for here: | "
                     "/nonexistent/orbeko-server-home.so: cannot open shared object file"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

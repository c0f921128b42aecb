#include "kfstore/ServerModule.h"

#include "support/EnvOverride.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string kModule = ORBEKO_SERVER_MODULE;
// A loadable module without the factory.
const std::string kOtherModule = ORBEKO_NOLOCKS_LIBRARY;
// A file that is no library at all.
const std::string kText = __FILE__;
const std::string kMissing = "/nonexistent/orbeko-server-home.so";
const std::string kMissingToo = "/nonexistent-too/orbeko-server-home.so";

struct TLoadCase
{
    const char* Name;
    std::vector<std::string> Paths;
    bool Loads;
    // Each must appear in the failure; a loaded module leaves it empty.
    std::vector<std::string> Told;
};

class ServerModuleLoadTest : public ::testing::TestWithParam<TLoadCase>
{
};

TEST_P(ServerModuleLoadTest, FirstUsableModuleGivesTheHomeOtherwiseEveryPlaceIsTold)
{
    const TLoadCase& param = GetParam();
    const TServerModule module(param.Paths);
    EXPECT_EQ(module.Home() != nullptr, param.Loads);
    if (param.Loads) {
        EXPECT_EQ(module.Failure(), "");
    }
    for (const std::string& told : param.Told)
        EXPECT_NE(module.Failure().find(told), std::string::npos) << told << " in: " << module.Failure();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ServerModuleLoadTest,
    ::testing::Values(TLoadCase{"Missing", {kMissing}, false, {kMissing}},
                      TLoadCase{"EveryMissingPlace", {kMissing, kMissingToo}, false, {kMissing, kMissingToo}},
                      TLoadCase{"NotALibrary", {kText}, false, {kText}},
                      TLoadCase{"LibraryWithoutTheFactory", {kOtherModule}, false, {"OrbekoServerHome"}},
                      TLoadCase{"AfterAMissingPlace", {kMissing, kModule}, true, {}},
                      TLoadCase{"FirstOfTwo", {kModule, kMissing}, true, {}},
                      TLoadCase{"NoPlace", {}, false, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ServerModuleTest, LoadedHomeIsTheServerHome)
{
    const TServerModule module({kModule});
    ASSERT_NE(module.Home(), nullptr) << module.Failure();
    // Only the server home reads a connection string and leaves out its password.
    EXPECT_EQ(module.Home()->Shown("host=db password=secret"), "host=db");
    EXPECT_EQ(TServerModule({kModule}).Home(), module.Home()) << "one home however often it is loaded";
}

struct TPathsCase
{
    const char* Name;
    const char* Variable;
    std::vector<std::string> Paths;
};

class ServerModulePathsTest : public ::testing::TestWithParam<TPathsCase>
{
};

TEST_P(ServerModulePathsTest, VariableAloneOtherwiseBesideTheProgramThenInstalled)
{
    const TEnvOverride variable(TServerModule::PathVariable, GetParam().Variable);
    EXPECT_EQ(TServerModule::Paths(), GetParam().Paths);
}

const std::string kBeside =
    std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/orbeko-server-home.so";

INSTANTIATE_TEST_SUITE_P(
    Variable, ServerModulePathsTest,
    ::testing::Values(TPathsCase{"Set", "/opt/x/home.so", {"/opt/x/home.so"}},
                      TPathsCase{"Empty", "", {kBeside, ORBEKO_INSTALLED_MODULE_DIR "/orbeko-server-home.so"}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

#include "support/MessageBoxScript.h"
#include "MainWindowFixture.h"

#include "kfstore/folder/Presence.h"
#include "kfstore/folder/Restore.h"
#include "storage/DatabaseFiles.h"
#include "support/ChildProcess.h"
#include "support/NoLocksPreload.h"

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

// Starts Orbeko on the folder the registry names; prints every message it
// showed, then "ended" or "running".
ORBEKO_CHILD_ROLE(StartOrbeko)
{
    int argc = 1;
    char name[] = "orbeko";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    TMessageBoxScript messages;
    TfrmMain window;
    window.SetAccountNameSource([] { return std::string("jsmith"); });
    window.FormActivate();
    for (const TShownMessage& shown : messages.Shown())
        std::printf("%s\n", TMessageBox::DisplayText(shown.Text).replace('\n', ' ').toStdString().c_str());
    std::printf("%s\n", window.Ended() ? "ended" : "running");
    return 0;
}

class FolderTrustTest : public TMainWindowFixture
{
};

TEST_F(FolderTrustTest, OrbekoRefusesAFolderWhoseLocksDoNotExclude)
{
    for (const bool preloaded : {false, true}) {
        std::optional<TNoLocksPreload> preload;
        if (preloaded)
            preload.emplace();
        TChildProcess orbeko("StartOrbeko", {});
        preload.reset();
        std::string said;
        std::string line;
        while (line != "ended" && line != "running" && orbeko.ReadLine(line, 60000))
            said += line + "\n";
        EXPECT_EQ(line, preloaded ? "ended" : "running") << said;
        EXPECT_EQ(said.find("cannot be shared safely") != std::string::npos, preloaded) << said;
        EXPECT_EQ(said.find("sharing this folder would lose data") != std::string::npos, preloaded) << said;
    }
}

// A restore cut short leaves the folder half old, half restored: the
// start names the restore and how to finish it, and nothing about locks.
TEST_F(FolderTrustTest, OrbekoRefusesAFolderWhoseRestoreWasInterrupted)
{
    struct TCase
    {
        const char* Name;
        bool Marked;  // the staged copy was complete when the restore stopped
        bool Ended;
    };
    const TCase cases[] = {
        {"copy not complete: the old set stands", false, false},
        {"copy complete", true, true},
    };
    const std::string staging = FolderFile(DataPath(), TRestore::StagingName);
    for (const TCase& c : cases) {
        std::filesystem::create_directories(staging);
        if (c.Marked)
            std::ofstream(FolderFile(staging, TRestore::MarkerName));
        const std::size_t before = Messages_.Shown().size();
        Window_.reset();
        Window().FormActivate();
        EXPECT_EQ(Window().Ended(), c.Ended) << c.Name;
        std::string said;
        for (std::size_t i = before; i < Messages_.Shown().size(); ++i)
            said += Messages_.Shown()[i].Text.toStdString() + "\n";
        EXPECT_EQ(said.find(" was interrupted, so the folder holds old and restored files") != std::string::npos,
                  c.Ended)
            << c.Name << ": " << said;
        EXPECT_EQ(said.find("orbeko-admin restore --finish") != std::string::npos, c.Ended) << c.Name;
        EXPECT_EQ(said.find("Record locks"), std::string::npos) << c.Name << ": " << said;
        std::filesystem::remove_all(staging);
    }
}

TEST_F(FolderTrustTest, HeartbeatRunsOnTheTimerTickUntilTheWindowCloses)
{
    Window().FormActivate();
    ASSERT_FALSE(Window().Ended());
    const auto beats = [this] {
        std::ifstream file(DataFile(TPresence::FileName), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string first = beats();
    Window().tmrMainTimer();
    EXPECT_NE(beats(), first);
    Window_.reset();
    EXPECT_EQ(beats().find_first_not_of('\0'), std::string::npos);
}

}  // namespace

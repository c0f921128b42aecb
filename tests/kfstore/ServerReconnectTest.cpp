#include "StoreFixture.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/server/PgConnection.h"
#include "kfstore/server/PgKeyedFile.h"
#include "kfstore/server/PgOutage.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using TClockTime = std::chrono::steady_clock;

constexpr const char* kName = "OBCat.Ism";

// Short limits, in the order the real ones keep: a lock wait ends first,
// then the server's statement timeout, then the wait for any answer.
TPgLimits ShortLimits()
{
    TPgLimits limits;
    limits.Lock = 300ms;
    limits.Statement = 1000ms;
    limits.Answer = 2000ms;
    limits.ConnectSeconds = 2;
    limits.Rest = 500ms;
    return limits;
}

// Puts limits in for the test's connections while it lives.
class TLimitsOverride
{
public:
    explicit TLimitsOverride(const TPgLimits& limits) : Saved_(TPgConnection::Limits())
    {
        TPgConnection::Limits() = limits;
    }
    ~TLimitsOverride() { TPgConnection::Limits() = Saved_; }
    TLimitsOverride(const TLimitsOverride&) = delete;
    TLimitsOverride& operator=(const TLimitsOverride&) = delete;

private:
    const TPgLimits Saved_;
};

// The time a call took, and its status.
struct TTimed
{
    int16_t Status;
    std::chrono::milliseconds Took;
};

template <class TCall> TTimed Timed(TCall call)
{
    const auto start = TClockTime::now();
    const int16_t status = call();
    return {status, std::chrono::duration_cast<std::chrono::milliseconds>(TClockTime::now() - start)};
}

// A categories file on a database of the test's own, its handles opened on
// the store's server home directly, and a connection of the test's that
// cuts, stalls and shuts out the handles' sessions as a server going down,
// hanging or coming back would.
class ServerReconnect : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (TTestDatabase::Server().empty())
            GTEST_SKIP() << TTestDatabase::Missing();
        Database_.emplace();
        TPgConnection database;
        ASSERT_EQ(database.Open(Location()), 0);
        const TPgResult name = database.Exec("SELECT current_database()");
        ASSERT_TRUE(name.Ok());
        DatabaseName_ = std::string(name.Bytes(0, 0));
        // On another database of the server: the server shuts no session
        // out of the database it is on.
        ASSERT_EQ(Admin_.Open(TTestDatabase::Server()), 0);
    }
    void TearDown() override
    {
        for (int pid : Stalled_)
            kill(pid, SIGCONT);
        if (Admin_.Handle())
            Admin_.Exec("ALTER DATABASE " + DatabaseName_ + " ALLOW_CONNECTIONS true");
    }

    const std::string& Location() const { return Database_->Location(); }
    // Makes the file called name, unless there, and opens it in file.
    void Open(TPgKeyedFile& file, const std::string& name = kName)
    {
        const int16_t made = TPgKeyedFile::Create(Location(), name, 10, kCategoryFormat);
        ASSERT_TRUE(made == ksOk || made == ksNameInUse) << made;
        ASSERT_EQ(file.Open(Location(), name, Location() + "#" + name, false), 0);
    }

    // The sessions on the test's database, oldest first.
    std::vector<int> Sessions()
    {
        std::vector<int> pids;
        const TPgResult result = Admin_.Exec(
            "SELECT pid FROM pg_stat_activity WHERE datname = " + Admin_.Literal(DatabaseName_) +
            " AND backend_type = 'client backend' ORDER BY backend_start");
        EXPECT_TRUE(result.Ok());
        for (int row = 0; row < result.Rows(); ++row)
            pids.push_back(static_cast<int>(result.Int(row, 0)));
        return pids;
    }
    int OnlySession()
    {
        const std::vector<int> pids = Sessions();
        EXPECT_EQ(pids.size(), 1u);
        return pids.empty() ? 0 : pids.front();
    }

    // Ends a session as a server going down ends them all, and waits until it is gone.
    void Cut(int pid)
    {
        ASSERT_TRUE(Admin_.Exec("SELECT pg_terminate_backend(" + std::to_string(pid) + ", 5000)").Ok());
    }
    // The database takes no connections and has none but the test's: as
    // far as its handles can tell, the server is down.
    void Down()
    {
        ASSERT_TRUE(Admin_.Exec("ALTER DATABASE " + DatabaseName_ + " ALLOW_CONNECTIONS false").Ok());
        for (int pid : Sessions())
            Cut(pid);
    }
    void Up() { ASSERT_TRUE(Admin_.Exec("ALTER DATABASE " + DatabaseName_ + " ALLOW_CONNECTIONS true").Ok()); }
    // The session stops answering, as a hung server or a cut network.
    void Stall(int pid)
    {
        // The test signals the server's processes: it runs as their owner
        // (or as root, which runs the server as its own account).
        ASSERT_EQ(kill(pid, SIGSTOP), 0) << "cannot signal the server's session " << pid << ": errno " << errno;
        Stalled_.push_back(pid);
    }
    void Resume(int pid)
    {
        ASSERT_EQ(kill(pid, SIGCONT), 0);
        std::erase(Stalled_, pid);
    }

    std::string Cause() { return TPgOutage::Cause(Location()); }

    TLimitsOverride Limits_{ShortLimits()};
    std::optional<TTestDatabase> Database_;
    TPgConnection Admin_;
    std::string DatabaseName_;
    std::vector<int> Stalled_;
};

// One call of each kind the store's callers make, with its outcome on a
// file holding one category (0000000001).
struct TCallCase
{
    const char* Name;
    std::function<int16_t(TPgKeyedFile&)> Call;
};

const TCallCase kCalls[] = {
    {"GetEqual",
     [](TPgKeyedFile& file) {
         std::string pk;
         TCategoryRec record{};
         return file.Get(0, kmGetEqual, "0000000001", nullptr, pk, &record, sizeof record);
     }},
    {"Add",
     [](TPgKeyedFile& file) {
         std::string pk;
         const TCategoryRec record = MakeCategory("Added");
         return file.Add(pk, &record, sizeof record);
     }},
    {"Rewrite",
     [](TPgKeyedFile& file) {
         const TCategoryRec record = MakeCategory("Rewritten");
         return file.Rewrite("0000000001", &record, sizeof record);
     }},
    {"Lock", [](TPgKeyedFile& file) { return file.Lock("0000000001"); }},
    {"Info",
     [](TPgKeyedFile& file) {
         int32_t count = 0;
         int16_t keyLength = 0;
         return file.Info(count, keyLength);
     }},
    {"ReadNote",
     [](TPgKeyedFile& file) {
         std::string note;
         return file.ReadNote(note);
     }},
    {"WriteNote", [](TPgKeyedFile& file) { return file.WriteNote("note"); }},
    {"ChangeCounter", [](TPgKeyedFile& file) { return int16_t(file.ChangeCounter() ? ksOk : ksIoError); }},
};

void AddFirst(TPgKeyedFile& file)
{
    std::string pk;
    const TCategoryRec record = MakeCategory("Meeting");
    ASSERT_EQ(file.Add(pk, &record, sizeof record), 0);
    ASSERT_EQ(pk, "0000000001");
}

TEST_F(ServerReconnect, ACallAfterTheSessionEndedMakesTheConnectionAgainAndSucceeds)
{
    for (const TCallCase& c : kCalls) {
        SCOPED_TRACE(c.Name);
        TPgKeyedFile file;
        Open(file, std::string(c.Name) + ".Ism");
        AddFirst(file);
        const int session = OnlySession();
        Cut(session);
        EXPECT_EQ(c.Call(file), 0) << "the server is back (it never went): the first call goes through";
        EXPECT_EQ(Cause(), "");
        const std::vector<int> now = Sessions();
        EXPECT_EQ(now.size(), 1u);
        EXPECT_NE(now.empty() ? session : now.front(), session) << "a connection of its own again";
    }
}

TEST_F(ServerReconnect, WhileTheServerIsDownEveryCallFailsAtOnceAndTheFirstAfterItSucceeds)
{
    for (const TCallCase& c : kCalls) {
        SCOPED_TRACE(c.Name);
        TPgKeyedFile file;
        Open(file, std::string(c.Name) + ".Ism");
        AddFirst(file);
        Down();
        for (int call = 0; call < 3; ++call) {
            const TTimed outcome = Timed([&] { return c.Call(file); });
            EXPECT_EQ(outcome.Status, ksIoError) << "call " << call;
            EXPECT_LT(outcome.Took, 500ms) << "call " << call;
        }
        EXPECT_EQ(Cause(), "the database does not accept connections");
        Up();
        EXPECT_EQ(c.Call(file), 0);
        EXPECT_EQ(Cause(), "");
    }
}

// What a record lock is worth after the connection that held it broke:
// the server dropped it, and another workstation may have taken the
// record and changed it meanwhile.
struct TLostLockCase
{
    const char* Name;
    std::function<int16_t(TPgKeyedFile&)> Call;
    int16_t Status;
};

TEST_F(ServerReconnect, ARecordWhoseLockWentWithTheConnectionIsNotWrittenUntilLockedAgain)
{
    const TLostLockCase cases[] = {
        {"Rewrite",
         [](TPgKeyedFile& file) {
             const TCategoryRec record = MakeCategory("Mine");
             return file.Rewrite("0000000001", &record, sizeof record);
         },
         ksLocked},
        {"Delete", [](TPgKeyedFile& file) { return file.Delete("0000000001"); }, ksLocked},
        {"Unlock", [](TPgKeyedFile& file) { return file.Unlock("0000000001"); }, ksLocked},
        {"UnlockThenRewrite",
         [](TPgKeyedFile& file) {
             file.Unlock("0000000001");
             const TCategoryRec record = MakeCategory("Mine");
             return file.Rewrite("0000000001", &record, sizeof record);
         },
         ksOk},
        {"LockAgainThenRewrite",
         [](TPgKeyedFile& file) {
             const int16_t locked = file.Lock("0000000001");
             if (locked != ksOk)
                 return locked;
             const TCategoryRec record = MakeCategory("Mine");
             return file.Rewrite("0000000001", &record, sizeof record);
         },
         ksOk},
        {"RewriteOfARecordItDidNotLock",
         [](TPgKeyedFile& file) {
             const TCategoryRec record = MakeCategory("Mine");
             return file.Rewrite("0000000002", &record, sizeof record);
         },
         ksOk},
    };
    for (const TLostLockCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string name = std::string(c.Name) + ".Ism";
        TPgKeyedFile file;
        Open(file, name);
        std::string pk;
        const TCategoryRec record = MakeCategory("Meeting");
        ASSERT_EQ(file.Add(pk, &record, sizeof record), 0);
        pk.clear();
        ASSERT_EQ(file.Add(pk, &record, sizeof record), 0);
        ASSERT_EQ(file.Lock("0000000001"), 0);
        Cut(OnlySession());
        {
            // Another workstation takes the record at once and changes it.
            TPgKeyedFile other;
            Open(other, name);
            ASSERT_EQ(other.Lock("0000000001"), 0) << "the lock went with the session";
            const TCategoryRec theirs = MakeCategory("Theirs");
            ASSERT_EQ(other.Rewrite("0000000001", &theirs, sizeof theirs), 0);
        }
        EXPECT_EQ(c.Call(file), c.Status);
    }
}

TEST_F(ServerReconnect, ABatchCutByTheLossSaysItsWritesAreLost)
{
    TPgKeyedFile file;
    Open(file);
    ASSERT_EQ(file.BeginBatch(), 0);
    std::string pk;
    const TCategoryRec record = MakeCategory("Meeting");
    ASSERT_EQ(file.Add(pk, &record, sizeof record), 0);
    Cut(OnlySession());
    pk.clear();
    EXPECT_EQ(file.Add(pk, &record, sizeof record), 0) << "later writes go on a new connection";
    EXPECT_EQ(file.EndBatch(), ksIoError);
    int32_t count = 0;
    int16_t keyLength = 0;
    ASSERT_EQ(file.Info(count, keyLength), 0);
    EXPECT_EQ(count, 1) << "the write before the loss is not there";
}

// Every wait ends, each with the status of what kept it.
TEST_F(ServerReconnect, AWriteKeptWaitingForALockIsBusyAndAStatementTooLongIsInterrupted)
{
    TPgKeyedFile file;
    Open(file);
    TPgConnection other;
    ASSERT_EQ(other.Open(Location()), 0);
    ASSERT_TRUE(other.Exec("BEGIN; SELECT version FROM orbeko.kfs_files WHERE name = 'OBCat.Ism' FOR UPDATE").Ok());
    std::string pk;
    const TCategoryRec record = MakeCategory("Meeting");
    const TTimed busy = Timed([&] { return file.Add(pk, &record, sizeof record); });
    EXPECT_EQ(busy.Status, ksBusy);
    EXPECT_LT(busy.Took, TPgConnection::Limits().Statement);
    EXPECT_EQ(Cause(), "") << "a busy file is no outage";
    ASSERT_TRUE(other.Exec("COMMIT").Ok());

    const TTimed slow = Timed([&] { return other.Status(other.Exec("SELECT pg_sleep(5)")); });
    EXPECT_EQ(slow.Status, ksInterrupted);
    EXPECT_LT(slow.Took, TPgConnection::Limits().Answer);
    EXPECT_TRUE(other.Usable()) << "the server cut its own statement: the connection stands";
    EXPECT_EQ(file.Add(pk, &record, sizeof record), 0);
}

TEST_F(ServerReconnect, ASessionThatStopsAnsweringIsGivenUpAndMadeAgainWhenItAnswers)
{
    TPgKeyedFile file;
    Open(file);
    AddFirst(file);
    const int stalled = OnlySession();
    TPgKeyedFile second;
    Open(second);
    Stall(stalled);
    const TCallCase& get = kCalls[0];
    const TTimed given = Timed([&] { return get.Call(file); });
    EXPECT_EQ(given.Status, ksInterrupted);
    EXPECT_GE(given.Took, TPgConnection::Limits().Answer);
    EXPECT_LT(given.Took, TPgConnection::Limits().Answer + 1000ms);
    EXPECT_EQ(Cause(), "the server does not answer");
    const TTimed spared = Timed([&] { return get.Call(second); });
    EXPECT_EQ(spared.Status, ksInterrupted) << "while it rests the server is not asked";
    EXPECT_LT(spared.Took, 100ms);
    std::this_thread::sleep_for(TPgConnection::Limits().Rest);
    EXPECT_EQ(get.Call(file), 0) << "a new session answers";
    EXPECT_EQ(get.Call(second), 0);
    EXPECT_EQ(Cause(), "");
    Resume(stalled);
}

// A socket that takes connections and never says a word, as a server
// that hangs before it answers.
class TSilentSocket
{
public:
    explicit TSilentSocket(const std::string& path) : Fd_(socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        Listening_ = Fd_ >= 0 && bind(Fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                     listen(Fd_, 4) == 0;
    }
    ~TSilentSocket()
    {
        if (Fd_ >= 0)
            close(Fd_);
    }
    TSilentSocket(const TSilentSocket&) = delete;
    TSilentSocket& operator=(const TSilentSocket&) = delete;
    bool Listening() const { return Listening_; }

private:
    const int Fd_;
    bool Listening_ = false;
};

// A connection that cannot be made says why at once, or after the connect
// timeout for a server that takes the connection and never answers.
struct TConnectCase
{
    const char* Name;
    bool Listening;  // something takes connections on the socket and says nothing
    int16_t Status;
    const char* Cause;
};

TEST(ServerConnect, AServerOutOfReachGivesTheStatusAndCauseOfWhatWasMet)
{
    const TLimitsOverride limits(ShortLimits());
    const TConnectCase cases[] = {
        {"NobodyListens", false, ksIoError, "connection refused"},
        {"NobodyAnswers", true, ksInterrupted, "the server does not answer"},
    };
    for (const TConnectCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir folder;
        std::optional<TSilentSocket> silent;
        if (c.Listening) {
            silent.emplace(folder.Path() + "/.s.PGSQL.5432");
            ASSERT_TRUE(silent->Listening());
        }
        const std::string location = "host=" + folder.Path() + " dbname=diary";
        TPgConnection connection;
        const TTimed outcome = Timed([&] { return connection.Open(location); });
        EXPECT_EQ(outcome.Status, c.Status);
        EXPECT_LT(outcome.Took, std::chrono::seconds(TPgConnection::Limits().ConnectSeconds) + 1s);
        EXPECT_EQ(TPgOutage::Cause(location), c.Cause);
        EXPECT_FALSE(connection.Usable());
    }
}

// The settings that bound a wait on a network reach every connection,
// unless its location says otherwise.
struct TSettingCase
{
    const char* Keyword;
    const char* Given;  // in the location, or null
    const char* Used;
};

TEST(ServerConnect, EveryConnectionBoundsItsWaitsUnlessTheLocationSaysOtherwise)
{
    if (TTestDatabase::Server().empty())
        GTEST_SKIP() << TTestDatabase::Missing();
    const TSettingCase cases[] = {
        {"connect_timeout", nullptr, "10"},     {"keepalives", nullptr, "1"},
        {"keepalives_idle", nullptr, "10"},     {"keepalives_interval", nullptr, "5"},
        {"keepalives_count", nullptr, "3"},     {"tcp_user_timeout", nullptr, "15000"},
        {"keepalives_idle", "30", "30"},        {"connect_timeout", "4", "4"},
    };
    for (const TSettingCase& c : cases) {
        SCOPED_TRACE(std::string(c.Keyword) + (c.Given ? "=" + std::string(c.Given) : std::string()));
        const std::string location =
            TTestDatabase::Server() + (c.Given ? " " + std::string(c.Keyword) + "=" + c.Given : std::string());
        TPgConnection connection;
        ASSERT_EQ(connection.Open(location), 0);
        const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(PQconninfo(connection.Handle()),
                                                                                   &PQconninfoFree);
        std::optional<std::string> used;
        for (const PQconninfoOption* option = options.get(); option->keyword; ++option)
            if (std::string(option->keyword) == c.Keyword && option->val)
                used = option->val;
        EXPECT_EQ(used, c.Used);
    }
    // And the server keeps its part: locks and statements are bounded there.
    TPgConnection connection;
    ASSERT_EQ(connection.Open(TTestDatabase::Server()), 0);
    const TPgResult settings = connection.Exec("SELECT current_setting('lock_timeout'), current_setting('statement_timeout')");
    ASSERT_TRUE(settings.Ok());
    EXPECT_EQ(settings.Bytes(0, 0), "5s");
    EXPECT_EQ(settings.Bytes(0, 1), "10s");
}

}  // namespace

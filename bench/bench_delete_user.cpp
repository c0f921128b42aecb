// Deleting a user from a database of 100,000 events, 1,000 of which involve
// him: the delete-user wizard's run as the administrator starts it, with
// the progress bar advancing and the window painted while it works. Each
// iteration starts from a fresh copy of the events file.

#include "EventsFixture.h"
#include "admin/frmDeleteUser.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBox.h"
#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"

#include <QApplication>
#include <QEvent>
#include <QProgressBar>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <utility>

namespace {

constexpr int kEvents = 100000;
constexpr int kInvolved = 1000;
constexpr int kUsers = 12;
constexpr int kAlarms = 50;
// The user deleted: not among the fixture's owners and assignees.
const std::string kDeleted = IdText(kUsers + 1);

// Counts the paints of a widget.
class TPaintCounter : public QObject
{
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

// The shared 100,000 events with every hundredth one made the deleted
// user's: a quarter of them owned by him, the rest assigning him beside
// their owner, and every tenth of those assigned to him alone.
bool EnsureDeletionFixture(const std::string& path)
{
    if (std::filesystem::exists(path))
        return true;
    const std::string shared = BenchFolder() + "/events-100000.Ism";
    if (!EnsureFixture(shared, kEvents))
        return false;
    const std::string building = path + ".part";
    std::filesystem::copy_file(shared, building, std::filesystem::copy_options::overwrite_existing);
    sqlite3* db = nullptr;
    bool ok = Check(sqlite3_open(building.c_str(), &db), db, "open") &&
              Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    ok = ok && Check(sqlite3_prepare_v2(db, "SELECT data FROM kfs_records WHERE pk = ?1", -1, &read, nullptr), db,
                     "prepare read");
    ok = ok && Check(sqlite3_prepare_v2(db, "UPDATE kfs_records SET data = ?2 WHERE pk = ?1", -1, &write, nullptr),
                     db, "prepare write");
    for (int n = 0; ok && n < kInvolved; ++n) {
        const std::string pk = IdText(1 + n * (kEvents / kInvolved));
        sqlite3_bind_text(read, 1, pk.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(read) == SQLITE_ROW;
        TDayEntryRec entry;
        if (ok)
            std::memcpy(&entry, sqlite3_column_blob(read, 0), sizeof(entry));
        sqlite3_reset(read);
        if (!ok)
            break;
        if (n % 4 == 0)
            SetField(entry.OwnerId, kDeleted);
        if (n % 10 == 1)
            SetField(entry.AssigneeIds[0], kDeleted);
        else
            SetField(entry.AssigneeIds[1], kDeleted);
        sqlite3_bind_text(write, 1, pk.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(write, 2, &entry, sizeof(entry), SQLITE_TRANSIENT);
        ok = Check(sqlite3_step(write), db, "update");
        sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    ok = ok && Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    if (ok)
        std::filesystem::rename(building, path);
    return ok;
}

// A database folder whose events file is a fresh copy of the fixture, with
// users 1 to 13 and alarms of the deleted user.
bool PrepareDatabase(const std::string& folder, const std::string& fixture)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(fixture, folder + "/" + TOrbekoDB::DayEntryFileName);
    if (!UseDatabaseFolder(folder))
        return false;
    TBenchShell shell;
    TOrbekoDB db(shell);
    if (!AddUsers(db, kUsers + 1))
        return false;
    for (int n = 0; n < kAlarms; ++n) {
        TAlarmRec alarm;
        db.InitAlarm(alarm);
        alarm.Flags = afAlarmed;
        SetField(alarm.EntryId, IdText(1 + n * (kEvents / kInvolved)));
        SetAlarmUser(alarm, kDeleted);
        SetAlarmStamp(alarm, IdText(kFirstDay + n * kDaySeconds));
        if (!db.AlarmFile.Add(alarm, ""))
            return false;
    }
    return true;
}

std::string Folder;
std::string Fixture;

void DeleteUser(benchmark::State& state)
{
    TMessageBoxScript messages;
    TfrmDeleteUser wizard;
    TPaintCounter painted;
    wizard.prgScanning->installEventFilter(&painted);
    int paints = 0;
    int progress = 0;
    for (auto _ : state) {
        if (!PrepareDatabase(Folder, Fixture)) {
            state.SkipWithError("cannot prepare the database");
            return;
        }
        TBenchShell shell;
        TOrbekoDB db(shell);
        painted.Paints = 0;
        messages.Answer(TMessageAnswer::Ok);
        double seconds = 0;
        TDialogScript dialogs;
        dialogs.Answer([&](QDialog&) {
            while (wizard.actNext->isEnabled())
                wizard.actNext->trigger();
            const auto start = std::chrono::steady_clock::now();
            wizard.actDeleteExecute();
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return wizard.result();
        });
        if (wizard.Execute(kDeleted, db) != QDialog::Accepted) {
            state.SkipWithError("the user was not deleted");
            return;
        }
        state.SetIterationTime(seconds);
        paints = painted.Paints;
        progress = wizard.prgScanning->value();
    }
    state.counters["events"] = kEvents;
    state.counters["involved"] = kInvolved;
    state.counters["progress"] = progress;
    state.counters["bar_paints"] = paints;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Folder = BenchFolder() + "/delete-user";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Folder + "-config"));
    QApplication app(argc, argv);
    Fixture = BenchFolder() + "/delete-user-100000.Ism";
    if (!EnsureDeletionFixture(Fixture)) {
        std::fprintf(stderr, "cannot build %s\n", Fixture.c_str());
        return 1;
    }
    benchmark::RegisterBenchmark("DeleteUser/100000", DeleteUser)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

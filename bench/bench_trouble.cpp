// Opening the pages of the troubleshooting dialog on a database of
// 1,000,000 events and 1,000,000 alarms: choosing a page reads its list
// again, and the list then shows its first screen. The process's resident
// size is given with each result and at the end.

#include "support/DialogScript.h"
#include "EventsFixture.h"
#include "admin/frmTrouble.h"
#include "storage/OrbekoDB.h"
#include "ui/DialogRunner.h"

#include <QApplication>
#include <QListView>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace {

constexpr int kEvents = 1000000;
constexpr int kAlarms = 1000000;
// Alarms name users 1 to 13; user 13 does not exist, so some lines show ERR.
constexpr int kUsers = 12;

bool Link(const std::string& fixture, const std::string& file)
{
    if (std::filesystem::exists(file))
        return true;
    std::error_code error;
    std::filesystem::create_hard_link(fixture, file, error);
    return !error;
}

// The shared fixtures under this database's names, and users 1 to 12.
bool PrepareDatabase(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    if (!Link(BenchFolder() + "/events-1000000.Ism", folder + "/OBDayEnt.Ism") ||
        !Link(BenchFolder() + "/alarms-1000000.Ism", folder + "/OBAlarms.Ism"))
        return false;
    if (!UseDatabaseFolder(folder))
        return false;
    TBenchShell shell;
    TOrbekoDB db(shell);
    if (db.UserFile.RecordCount() > 0)
        return true;
    if (!AddUsers(db, kUsers))
        return false;
    return true;
}

// Resident and peak resident size in MB, from the kernel's own account.
double StatusMegabytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stod(line.substr(prefix.size())) / 1024.0;
    return 0;
}

TfrmTrouble* Form = nullptr;

// Chooses the page and lets the list lay out and paint its first screen.
void Choose(QWidget* page, QListView* list)
{
    Form->pgTrouble->setCurrentWidget(page);
    QApplication::processEvents();
    benchmark::DoNotOptimize(list->viewport()->grab());
}

void OpenPage(benchmark::State& state, bool events)
{
    QWidget* page = events ? Form->tabEvents : Form->tabAlarms;
    QWidget* other = events ? Form->tabAlarms : Form->tabEvents;
    QListView* list = events ? Form->lstEvents : Form->lstAlarms;
    for (auto _ : state) {
        state.PauseTiming();
        Choose(other, events ? Form->lstAlarms : Form->lstEvents);
        state.ResumeTiming();
        Choose(page, list);
    }
    state.counters["lines"] = list->model()->rowCount();
    state.counters["rss_MB"] = StatusMegabytes("VmRSS");
    state.counters["peak_rss_MB"] = StatusMegabytes("VmHWM");
}

void EventsPage(benchmark::State& state)
{
    OpenPage(state, true);
}

void AlarmsPage(benchmark::State& state)
{
    OpenPage(state, false);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string folder = BenchFolder() + "/trouble";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder + "/config"));
    QApplication app(argc, argv);
    if (!EnsureFixture(BenchFolder() + "/events-1000000.Ism", kEvents) ||
        !EnsureAlarmFixture(BenchFolder() + "/alarms-1000000.Ism", kAlarms, kEvents, kUsers + 1) ||
        !PrepareDatabase(folder + "/data")) {
        std::fprintf(stderr, "cannot prepare the database in %s\n", folder.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);

    TBenchShell shell;
    TOrbekoDB db(shell);
    TfrmTrouble form;
    Form = &form;
    // The benchmarks run while the dialog is open, as a person would use it.
    TDialogScript dialogs;
    dialogs.Answer([](QDialog&) {
        benchmark::RegisterBenchmark("TroubleEventsPage/1000000", EventsPage)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("TroubleAlarmsPage/1000000", AlarmsPage)->Unit(benchmark::kMillisecond);
        benchmark::RunSpecifiedBenchmarks();
        return int(QDialog::Accepted);
    });
    form.Execute(db);
    std::printf("peak resident size: %.1f MB\n", StatusMegabytes("VmHWM"));
    return 0;
}

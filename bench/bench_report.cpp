// A report of one year from a database of 100,000 events over ten years
// (about 10,000 events, three lines each): building its text, and showing
// the report viewer with it.

#include "EventsFixture.h"
#include "report/ReportBuilder.h"
#include "report/frmReportViewer.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

namespace {

constexpr int kEvents = 100000;

// The reader of the reports: the first user, who may see private events.
TSession Administrator()
{
    TUserRec user{};
    user.Flags = urAdminister;
    return TSession(IdText(1), user);
}
constexpr int kUsers = 12;
const QDate kYearStart(2019, 1, 1);
const QDate kYearEnd(2019, 12, 31);

// A database made afresh with users 1 to 12, who own the fixture's events
// and are assigned to them, whose events file is then the fixture.
bool PrepareDatabase(const std::string& folder, std::unique_ptr<TOrbekoDB>& db, TBenchShell& shell)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    auto key = TRegistryKey::Open(true);
    if (!key || !key->WriteText("RootPath", QString::fromStdString(folder)))
        return false;
    const std::string entries = folder + "/OBDayEnt.Ism";
    if (!fs::exists(folder + "/OBUsers.Ism")) {
        TOrbekoDB fresh(shell);
        if (!AddUsers(fresh, kUsers))
            return false;
    }
    if (!fs::is_symlink(entries) && fs::hard_link_count(entries) < 2) {
        fs::remove(entries);
        fs::remove(entries + "-locks");
        std::error_code error;
        fs::create_hard_link(BenchFolder() + "/events-100000.Ism", entries, error);
        if (error)
            return false;
    }
    db = std::make_unique<TOrbekoDB>(shell);
    return db->UserFile.RecordCount() == kUsers;
}

TOrbekoDB* Db = nullptr;

TReportRequest YearRequest()
{
    TReportRequest request;
    request.StartDate = kYearStart;
    request.EndDate = kYearEnd;
    return request;
}

void BuildText(benchmark::State& state)
{
    qsizetype lines = 0;
    for (auto _ : state)
        lines = TReportBuilder(*Db, Administrator()).Build(YearRequest()).size();
    state.counters["lines"] = static_cast<double>(lines);
}

// The viewer lives for the run, as the report dialog's does; what is
// measured is the time from the text handed over to the viewer shown with
// its first page drawn. The rest is laid out while the viewer is idle.
void ShowViewer(benchmark::State& state)
{
    const TReportRequest request = YearRequest();
    const QStringList lines = TReportBuilder(*Db, Administrator()).Build(request);
    TfrmReportViewer viewer;
    for (auto _ : state) {
        viewer.SetLines(lines, request.StartDate, request.EndDate);
        viewer.show();
        QApplication::processEvents();
        viewer.repaint();
        state.PauseTiming();
        viewer.hide();
        viewer.SetLines({}, request.StartDate, request.EndDate);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["lines"] = static_cast<double>(lines.size());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string folder = BenchFolder() + "/report";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder + "/config"));
    QApplication app(argc, argv);
    TBenchShell shell(true);
    std::unique_ptr<TOrbekoDB> db;
    if (!EnsureFixture(BenchFolder() + "/events-100000.Ism", kEvents) || !PrepareDatabase(folder + "/data", db, shell)) {
        std::fprintf(stderr, "cannot prepare the database in %s\n", folder.c_str());
        return 1;
    }
    Db = db.get();

    benchmark::RegisterBenchmark("ReportText/OneYearOf100000", BuildText)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ReportViewer/OneYearOf100000", ShowViewer)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

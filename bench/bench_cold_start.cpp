// Starting Orbeko to its first painted week on the 1,000,000-event
// database of bench_week_feed: the program is run anew each round, as
// USER1 on a day of the fixture's week, and the time runs from the start
// of its process to the end of the first paint of the week view that
// shows the database. Cold rounds first drop the four files from the
// system's page cache (the program and its libraries stay there); warm
// rounds follow the cold ones without. Prints the median, least and most
// of the real and the processor time of each kind.

#include "EventsFixture.h"
#include "WeekFeed.h"
#include "app/OrbekoApplication.h"
#include "app/frmLogin.h"
#include "app/frmMain.h"
#include "storage/OrbekoDB.h"
#include "support/ClockScript.h"
#include "support/DialogScript.h"
#include "support/MessageBoxScript.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRounds = 7;
constexpr double kColdGoalMs = 150;
const char* const kWindowRole = "--window";
const char* const kPainted = "painted\n";

// Tells the parent once the week view has painted the database's week,
// then ends the process without tearing the window down.
class TPaintWatch : public QObject
{
public:
    explicit TPaintWatch(TfrmMain& window) : Window_(window) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && Window_.MainDb())
            QTimer::singleShot(0, [] {
                if (write(STDOUT_FILENO, kPainted, std::strlen(kPainted)) < 0)
                    _exit(2);
                _exit(0);
            });
        return false;
    }

private:
    TfrmMain& Window_;
};

int RunWindow(int argc, char** argv)
{
    TOrbekoApplication app(argc, argv);
    const QDateTime midweek = QDateTime::fromSecsSinceEpoch(kWeekStart + 2 * kDaySeconds + 12 * 3600);
    TClockScript clock(midweek);
    TMessageBoxScript messages;
    TDialogScript dialogs;
    dialogs.Answer([](QDialog& dialog) {
        auto& login = static_cast<TfrmLogin&>(dialog);
        login.edtUserName->setText(QStringLiteral("USER1"));
        login.edtPassword->clear();
        login.actOkExecute();
        return login.result();
    });
    TfrmMain window;
    window.SetAccountNameSource([] { return std::string("user1"); });
    TPaintWatch watch(window);
    QWidget* week = window.findChild<QWidget*>(QStringLiteral("wvMain"));
    if (!week)
        return 3;
    week->installEventFilter(&watch);
    window.show();
    return app.exec();
}

// Drops the files' pages from the page cache; they were written back before.
void Evict(const std::string& folder)
{
    for (const char* name : {TOrbekoDB::UserFileName, TOrbekoDB::AlarmFileName, TOrbekoDB::CategoryFileName,
                             TOrbekoDB::DayEntryFileName}) {
        const int fd = open((folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
}

struct TRound
{
    double RealMs = 0;
    double CpuMs = 0;
};

double Milliseconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) * 1000 + static_cast<double>(time.tv_usec) / 1000;
}

// One start of the program to its painted week; false when it did not get there.
bool StartOnce(const char* self, TRound& round)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl(self, self, kWindowRole, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char said[16] = {};
    const ssize_t length = child > 0 ? read(out[0], said, sizeof said - 1) : -1;
    const auto painted = std::chrono::steady_clock::now();
    close(out[0]);
    if (child < 0)
        return false;
    int status = 0;
    rusage usage {};
    wait4(child, &status, 0, &usage);
    round.RealMs = std::chrono::duration<double, std::milli>(painted - start).count();
    round.CpuMs = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    return length > 0 && std::strcmp(said, kPainted) == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Prints both times of the rounds; the median of the real ones.
double Print(const char* kind, const std::vector<TRound>& rounds)
{
    const auto line = [&](const char* what, double TRound::*field) {
        std::vector<double> values;
        for (const TRound& round : rounds)
            values.push_back(round.*field);
        std::sort(values.begin(), values.end());
        std::printf("%-5s %-9s median %7.1f ms   least %7.1f   most %7.1f\n", kind, what, values[values.size() / 2],
                    values.front(), values.back());
        return values[values.size() / 2];
    };
    const double real = line("real", &TRound::RealMs);
    line("processor", &TRound::CpuMs);
    return real;
}

}  // namespace

int main(int argc, char** argv)
{
    // The program runs in the environment this process leaves it.
    if (argc > 1 && std::strcmp(argv[1], kWindowRole) == 0)
        return RunWindow(argc, argv);

    const std::string folder = BenchFolder() + "/week-feed";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder + "/config"));
    // The single-instance lock of each start lives in a folder of its own
    // (set once the fixture, kept in the temporary folder, is found).
    const std::string temp = folder + "/temp";
    std::filesystem::create_directories(temp);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    {
        QCoreApplication app(argc, argv);
        if (!EnsureFixture(BenchFolder() + "/events-1000000.Ism", kWeekEvents) || !PrepareWeekFolder(folder + "/data")) {
            std::fprintf(stderr, "cannot prepare the database in %s\n", folder.c_str());
            return 1;
        }
    }
    sync();
    qputenv("TMPDIR", QByteArray::fromStdString(temp));

    std::vector<TRound> cold;
    std::vector<TRound> warm;
    for (int i = 0; i < kRounds; ++i) {
        for (const bool evict : {true, false}) {
            if (evict)
                Evict(folder + "/data");
            TRound round;
            if (!StartOnce(argv[0], round)) {
                std::fprintf(stderr, "a start did not reach its painted week\n");
                return 1;
            }
            (evict ? cold : warm).push_back(round);
        }
    }
    const double median = Print("cold", cold);
    Print("warm", warm);
    std::printf("cold start to the painted week: %.1f ms (goal under %.0f ms): %s\n", median, kColdGoalMs,
                median < kColdGoalMs ? "met" : "NOT met");
    return 0;
}

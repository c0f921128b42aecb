#include "SoakJournal.h"

#include "app/AlarmScan.h"
#include "app/InstanceLock.h"
#include "app/UserAlarm.h"
#include "events/EventCommands.h"
#include "events/LockedEvent.h"
#include "storage/OrbekoDB.h"
#include "storage/RegistryKey.h"
#include "support/ChildProcess.h"
#include "support/DatabaseFixture.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <unistd.h>

namespace {

// Ends a notice run once the workstation has answered enough notices.
struct TEnoughNotices
{
};

void Say(const std::string& line)
{
    const std::string text = line + "\n";
    // One write per line, so a killed process never leaves half a line.
    if (write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::_Exit(98);
}

// One workstation of the soak: its own registry and temporary folder, the
// program's two connections, a logged-in user, and a random mix of what
// users do, through the code the commands and the alarm notice run.
class TSoakWorkstation
{
public:
    TSoakWorkstation(int worker, std::vector<std::string> users, uint32_t seed)
        : Worker_(worker), Users_(std::move(users)), Random_(seed), User_(Users_[worker % Users_.size()])
    {
    }

    void Run(std::chrono::steady_clock::time_point until)
    {
        while (std::chrono::steady_clock::now() < until) {
            const int roll = Pick(100);
            if (roll < 30)
                NewEvent();
            else if (roll < 50)
                EditEvent();
            else if (roll < 62)
                DeleteEvent();
            else if (roll < 95)
                Notices();
            else
                User_ = Users_[Pick(static_cast<int>(Users_.size()))];
        }
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(Random_); }

    TSoakOp Begin(const char* kind)
    {
        TSoakOp op;
        op.Worker = Worker_;
        op.Seq = ++Seq_;
        op.Kind = kind;
        return op;
    }

    void Started(TSoakOp& op)
    {
        op.Start = SoakClock();
        Say(op.BeginLine());
    }

    void Ended(TSoakOp& op, const std::string& result)
    {
        op.End = SoakClock();
        op.Result = result;
        Say(op.EndLine());
    }

    static std::string Failed(const std::exception& error)
    {
        std::string text = std::string("failed:") + error.what();
        for (char& c : text)
            if (c == ' ')
                c = '_';
        return text;
    }

    // A stamp some seconds from now: alarms set a little in the past are
    // due at once, snoozed ones come due again within the run.
    static std::string StampIn(int seconds)
    {
        TStamp stamp;
        stamp.Increment(suSecond, seconds);
        return stamp.StampText();
    }

    std::vector<std::string> SomeUsers()
    {
        std::vector<std::string> chosen = Users_;
        std::shuffle(chosen.begin(), chosen.end(), Random_);
        chosen.resize(1 + Pick(3));
        return chosen;
    }

    // What the user will type into the editor.
    void Plan(TSoakOp& op)
    {
        op.Tag = "w" + std::to_string(Worker_) + "s" + std::to_string(op.Seq);
        op.Assignees = SomeUsers();
        op.Alarm = Pick(4) != 0;
        op.Stamp = StampIn(Pick(400) - 300);
    }

    static void Apply(const TSoakOp& op, TDayEntryRec& entry, TAlarmRec& alarm)
    {
        SetField(entry.Description, op.Tag);
        for (auto& slot : entry.AssigneeIds)
            SetField(slot, "0000000000");
        for (std::size_t i = 0; i < op.Assignees.size(); ++i)
            SetField(entry.AssigneeIds[i], op.Assignees[i]);
        alarm.Flags = op.Alarm ? afAlarmed : 0;
        SetAlarmStamp(alarm, op.Stamp);
    }

    void NewEvent()
    {
        TSoakOp op = Begin("add");
        TDayEntryRec entry;
        MainDb_.InitDayEntry(entry);
        SetField(entry.EntryStamp, StampIn(Pick(86400 * 14)));
        SetField(entry.OwnerId, User_);
        TAlarmRec alarm;
        MainDb_.InitAlarm(alarm);
        Plan(op);
        Apply(op, entry, alarm);
        Started(op);
        try {
            op.EntryId = TEventCommands(MainDb_).AddEvent(entry, alarm);
            Ended(op, "done");
        } catch (const std::exception& error) {
            Ended(op, Failed(error));
        }
    }

    // An event someone has stored, as a user would find it in his view; it
    // may be gone by the time he acts on it.
    std::string SomeEntry()
    {
        const int64_t highest = IdValue(MainDb_.DayEntryFile.NextKey()) - 1;
        TDayEntryRec entry;
        for (int attempt = 0; attempt < 5 && highest > 0; ++attempt) {
            const std::string id = IdText(1 + Pick(static_cast<int>(highest)));
            if (MainDb_.DayEntryFile.GetEqual(entry, 0, id))
                return id;
        }
        return {};
    }

    void EditEvent()
    {
        TSoakOp op = Begin("edit");
        op.EntryId = SomeEntry();
        if (op.EntryId.empty())
            return;
        Plan(op);
        Started(op);
        try {
            TLockedEvent event(MainDb_, op.EntryId, StampIn(0));
            if (!event.Locked()) {
                Ended(op, "entrylocked");
                return;
            }
            if (!event.Found()) {
                Ended(op, "vanished");
                return;
            }
            // The user takes a moment in the editor, the entry locked.
            std::this_thread::sleep_for(std::chrono::milliseconds(Pick(20)));
            Apply(op, event.Entry, event.Alarm);
            Ended(op, event.Store() == TEventResult::Done ? "done" : "alarmlocked");
        } catch (const std::exception& error) {
            Ended(op, Failed(error));
        }
    }

    void DeleteEvent()
    {
        TSoakOp op = Begin("del");
        op.EntryId = SomeEntry();
        if (op.EntryId.empty())
            return;
        Started(op);
        try {
            switch (TEventCommands(MainDb_).DeleteEvent(op.EntryId)) {
            case TEventResult::Done:
                Ended(op, "done");
                break;
            case TEventResult::EntryLocked:
                Ended(op, "entrylocked");
                break;
            case TEventResult::AlarmLocked:
                Ended(op, "alarmlocked");
                break;
            case TEventResult::Missing:
                Ended(op, "vanished");
                break;
            }
        } catch (const std::exception& error) {
            Ended(op, Failed(error));
        }
    }

    // One run of the alarm monitor for the logged-in user, answering each
    // notice with Snooze or Off as the notice does.
    void Notices()
    {
        int answered = 0;
        TStamp clock;
        try {
            TAlarmScan(AlarmDb_.AlarmFile, User_).Run(clock, [&](TAlarmRec& alarm, const std::string& alarmId) {
                if (++answered > 3)
                    throw TEnoughNotices();
                Answer(alarm, alarmId);
                return true;
            });
        } catch (const TEnoughNotices&) {
        } catch (const std::exception& error) {
            Say("F " + std::to_string(Worker_) + " scan " + Failed(error));
        }
    }

    void Answer(TAlarmRec& alarm, const std::string& alarmId)
    {
        if (FieldText(alarm.UserId) != User_)
            Say("W " + std::to_string(Worker_) + " notice of " + FieldText(alarm.UserId) + " for " + User_);
        TUserAlarm notice(AlarmDb_, alarm, alarmId);
        TDayEntryRec entry;
        const bool found = notice.ReadEvent(entry);
        TSoakOp op = Begin(!found ? "orphan" : Pick(2) ? "snooze" : "off");
        op.AlarmId = alarmId;
        op.EntryId = FieldText(alarm.EntryId);
        op.UserId = FieldText(alarm.UserId);
        // The user reads the notice before he presses a button; meanwhile
        // others may change the event and its alarms.
        std::this_thread::sleep_for(std::chrono::milliseconds(Pick(20)));
        if (op.Kind == "snooze")
            op.Stamp = StampIn(5 + Pick(60));
        Started(op);
        try {
            TUserAlarm::TOutcome outcome = TUserAlarm::TOutcome::Done;
            if (op.Kind == "orphan")
                notice.DeleteOrphan();
            else if (op.Kind == "snooze")
                outcome = notice.Snooze(op.Stamp);
            else
                outcome = notice.SwitchOff();
            Ended(op, outcome == TUserAlarm::TOutcome::Done     ? "done"
                      : outcome == TUserAlarm::TOutcome::Locked ? "locked"
                                                                : "gone");
        } catch (const std::exception& error) {
            Ended(op, Failed(error));
        }
    }

    const int Worker_;
    const std::vector<std::string> Users_;
    std::mt19937 Random_;
    std::string User_;
    int Seq_ = 0;
    TScriptedDBShell Shell_;
    TOrbekoDB MainDb_{Shell_};
    TOrbekoDB AlarmDb_{Shell_};
};

std::vector<std::string> SplitIds(const std::string& text)
{
    std::vector<std::string> ids;
    std::stringstream in(text);
    std::string id;
    while (std::getline(in, id, ','))
        ids.push_back(id);
    return ids;
}

}  // namespace

// args: worker number, database folder, configuration folder, temporary
// folder, seconds to run, random seed, user ids separated by commas.
// Says "idle" when its time is up and keeps its files open, so that locks
// it might have left behind can still be seen, until SIGUSR1 ends it.
ORBEKO_CHILD_ROLE(SoakWorkstation)
{
    sigset_t release;
    sigemptyset(&release);
    sigaddset(&release, SIGUSR1);
    sigprocmask(SIG_BLOCK, &release, nullptr);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(args.at(2)));
    qputenv("TMPDIR", QByteArray::fromStdString(args.at(3)));
    {
        auto key = TRegistryKey::Open(true);
        if (!key || !key->WriteText(QStringLiteral("RootPath"), QString::fromStdString(args.at(1))))
            return 100;
    }
    TInstanceLock instance;
    if (!instance.Acquire())
        return 101;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(std::stoi(args.at(4)));
    {
        TSoakWorkstation workstation(std::stoi(args.at(0)), SplitIds(args.at(6)),
                                     static_cast<uint32_t>(std::stoul(args.at(5))));
        workstation.Run(until);
        Say("idle");
        int signal = 0;
        sigwait(&release, &signal);
    }
    return 0;
}

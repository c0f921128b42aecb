#include "ical/ICalImport.h"

#include "ical/ICalComponent.h"
#include "ical/ICalExport.h"
#include "series/SeriesStore.h"
#include "storage/DetailFile.h"
#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "kfstore/WriteBatch.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace {

// The name of the mark a refused time zone leaves on its calendar, so that
// its events are refused rather than read in a zone of the same name.
constexpr const char* kRefusedZone = "X-ORBEKO-REFUSED-TZID";
// A rule finer than a day is worked out this many of its steps at a time,
// the time taken looked at between them: libical looks for the next start
// step by step, for ever when a rule gives none.
constexpr int kStepsAtOnce = 3600;

constexpr int64_t kDay = 86400;
// The longest an event may last: the weeks it runs into after its first
// must fit the details file's cover records.
constexpr int64_t kMaxLength = (TDetailFile::kMaxCoveredWeeks - 2) * 7 * kDay;
// The latest end: the midnight after the last day a stamp can hold.
constexpr int64_t kLastEnd = 2145916800;  // 2038-01-01 00:00

// Why one event is refused.
class ERefused : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct TWhen
{
    QDate Date;
    QTime Time;
    bool Untimed;
};

// Lines where a fold splits a UTF-8 character: other programs join such
// lines differently, so the text near them may not be what was meant.
std::vector<std::string> SplitCharacterFolds(const std::string& text)
{
    std::vector<std::string> reports;
    int line = 1;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\n')
            continue;
        ++line;
        if (at + 1 >= text.size() || (text[at + 1] != ' ' && text[at + 1] != '\t'))
            continue;
        std::size_t end = at > 0 && text[at - 1] == '\r' ? at - 1 : at;
        std::size_t tail = 0;
        while (tail < 4 && end > tail && (static_cast<unsigned char>(text[end - tail - 1]) & 0xC0) == 0x80)
            ++tail;
        if (end <= tail)
            continue;
        const unsigned char lead = static_cast<unsigned char>(text[end - tail - 1]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length > tail + 1)
            reports.push_back("line " + std::to_string(line) + ": a folded line splits a UTF-8 character");
    }
    return reports;
}

// Content lines whose name carries an empty parameter ("DTSTART;;VALUE=..."):
// the parser drops it silently, so what the writer meant there is a guess.
std::vector<std::string> EmptyParameters(const std::string& text)
{
    std::vector<std::string> reports;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++number;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == ' ' || line[0] == '\t')
            continue;
        bool quoted = false;
        std::size_t colon = 0;
        while (colon < line.size() && (quoted || line[colon] != ':')) {
            if (line[colon] == '"')
                quoted = !quoted;
            ++colon;
        }
        const std::string name = line.substr(0, colon);
        if (name.find(";;") != std::string::npos || (!name.empty() && name.back() == ';'))
            reports.push_back("line " + std::to_string(number) + ": an empty parameter in \"" + name + "\"");
    }
    return reports;
}

// The faults libical found in a component. An empty LOCATION or DESCRIPTION
// is how Google and Exchange write "none", and loses nothing.
std::string ErrorsOf(icalcomponent* component)
{
    std::string errors;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        const std::string error = icalproperty_get_xlicerror(p);
        if (error.rfind("No value for LOCATION ", 0) == 0 || error.rfind("No value for DESCRIPTION ", 0) == 0)
            continue;
        errors += (errors.empty() ? "" : "; ") + error;
    }
    return errors;
}

// A property as one line of the file, unfolded, for reports.
std::string LineOf(icalproperty* property)
{
    std::string text = TakeICalText(icalproperty_as_ical_string_r(property));
    for (std::size_t at = text.find("\r\n "); at != std::string::npos; at = text.find("\r\n ", at))
        text.erase(at, 3);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Whether a time names a day and a time of day that exist: libical keeps
// 30 February as written and turns it into 1 March when it counts.
bool Exists(const icaltimetype& t)
{
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > icaltime_days_in_month(t.month, t.year))
        return false;
    return t.is_date || (t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60);
}

// Refuses an event that states its start, end or changed occurrence twice
// (libical would take the first without a word) or a date that does not exist.
void CheckDates(icalcomponent* event)
{
    struct TOnce
    {
        icalproperty_kind Kind;
        const char* Name;
    };
    for (const TOnce& once : {TOnce{ICAL_DTSTART_PROPERTY, "DTSTART"}, TOnce{ICAL_DTEND_PROPERTY, "DTEND"},
                              TOnce{ICAL_DURATION_PROPERTY, "DURATION"},
                              TOnce{ICAL_RECURRENCEID_PROPERTY, "RECURRENCE-ID"}}) {
        if (icalcomponent_count_properties(event, once.Kind) < 2)
            continue;
        std::string lines;
        for (icalproperty* p = icalcomponent_get_first_property(event, once.Kind); p;
             p = icalcomponent_get_next_property(event, once.Kind))
            lines += (lines.empty() ? "\"" : ", \"") + LineOf(p) + "\"";
        throw ERefused(std::string("it has more than one ") + once.Name + ": " + lines);
    }
    for (const icalproperty_kind kind : {ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY, ICAL_RECURRENCEID_PROPERTY,
                                         ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_RRULE_PROPERTY}) {
        for (icalproperty* p = icalcomponent_get_first_property(event, kind); p;
             p = icalcomponent_get_next_property(event, kind)) {
            std::vector<icaltimetype> times;
            if (kind == ICAL_RRULE_PROPERTY) {
                times.push_back(icalproperty_get_rrule(p).until);
            } else if (icalvalue* value = icalproperty_get_value(p)) {
                switch (icalvalue_isa(value)) {
                case ICAL_DATE_VALUE:
                case ICAL_DATETIME_VALUE:
                    times.push_back(icalvalue_get_datetime(value));
                    break;
                case ICAL_DATETIMEPERIOD_VALUE: {
                    const icaldatetimeperiodtype either = icalvalue_get_datetimeperiod(value);
                    times.insert(times.end(), {either.time, either.period.start, either.period.end});
                    break;
                }
                case ICAL_PERIOD_VALUE: {
                    const icalperiodtype period = icalvalue_get_period(value);
                    times.insert(times.end(), {period.start, period.end});
                    break;
                }
                default:
                    break;
                }
            }
            for (const icaltimetype& t : times)
                if (!icaltime_is_null_time(t) && !Exists(t))
                    throw ERefused("\"" + LineOf(p) + "\" names a day or time that does not exist");
        }
    }
}

// The zone a date-time property names, looked up in the calendar and then
// among the zones libical knows; raises for a name neither knows.
icaltimezone* ZoneOf(icalproperty* property, icalcomponent* calendar)
{
    icalparameter* tzid = property ? icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER) : nullptr;
    if (!tzid)
        return nullptr;
    const char* name = icalparameter_get_tzid(tzid);
    for (icalproperty* p = calendar ? icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY) : nullptr; p;
         p = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY))
        if (std::string(icalproperty_get_x_name(p)) == kRefusedZone && std::string(icalproperty_get_x(p)) == name)
            throw ERefused(std::string("its time zone \"") + name + "\" is refused");
    icaltimezone* zone = calendar ? icalcomponent_get_timezone(calendar, name) : nullptr;
    if (!zone)
        zone = icaltimezone_get_builtin_timezone(name);
    if (!zone)
        zone = icaltimezone_get_builtin_timezone_from_tzid(name);
    if (!zone)
        throw ERefused(std::string("unknown time zone \"") + name + "\"");
    return zone;
}

// A time as the workstation's wall clock shows it.
TWhen LocalOf(icaltimetype t)
{
    if (t.is_date)
        return {QDate(t.year, t.month, t.day), QTime(0, 0), true};
    if (!t.zone && !icaltime_is_utc(t))  // floating: the same wherever it is read
        return {QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second), false};
    const time_t utc = icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone());
    const QDateTime local = QDateTime::fromSecsSinceEpoch(utc).toLocalTime();
    return {local.date(), local.time(), false};
}

// The instant a time stands for, to compare occurrences with exceptions.
time_t InstantOf(icaltimetype t)
{
    return icaltime_as_timet_with_zone(t, t.zone ? t.zone : icaltimezone_get_utc_timezone());
}

struct TFreeIterator
{
    void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};
using TIterator = std::unique_ptr<icalrecur_iterator, TFreeIterator>;

// A rule's steps finer than a day, in seconds; 0 for a day and coarser.
int64_t StepOf(const icalrecurrencetype& rule)
{
    const int64_t interval = std::max<int64_t>(1, rule.interval);
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE: return interval;
    case ICAL_MINUTELY_RECURRENCE: return 60 * interval;
    case ICAL_HOURLY_RECURRENCE: return 3600 * interval;
    default: return 0;
    }
}

// What one event may still spend, and what it has made.
struct TBudget
{
    std::chrono::steady_clock::time_point Until;
    std::chrono::milliseconds Work;
    std::size_t Occurrences;

    void Check() const
    {
        if (std::chrono::steady_clock::now() > Until)
            throw ERefused("working out its occurrences takes more than " + std::to_string(Work.count()) + " ms");
    }
};

// The starts a rule gives from start on, up to and including last (on the
// wall clock of the start's zone), found by libical: its count kept here,
// and a rule finer than a day walked in pieces that begin where one of its
// steps falls, so that the time is looked at between them.
void RuleStarts(icalrecurrencetype rule, const icaltimetype& start, const icaltimetype& last, const TBudget& budget,
                const std::function<bool(const icaltimetype&)>& take)
{
    const int count = rule.count;
    rule.count = 0;
    const icaltimetype until = rule.until;
    const auto seconds = [&start](icaltimetype t) {
        if (!t.zone && !icaltime_is_utc(t))
            t.zone = start.zone;
        return InstantOf(t);
    };
    const bool endless = icaltime_is_null_time(until) || seconds(until) > seconds(last);
    const int64_t step = start.is_date ? 0 : StepOf(rule);
    const auto later = [&start](int64_t by) {
        icaltimetype t = start;
        icaltime_adjust(&t, static_cast<int>(by / kDay), 0, 0, static_cast<int>(by % kDay));
        return t;
    };
    int made = 0;
    for (int64_t piece = 0;; ++piece) {
        budget.Check();
        icaltimetype to = step > 0 ? later((piece + 1) * step * kStepsAtOnce - 1) : last;
        bool final = step == 0 || seconds(to) >= seconds(last);
        if (final)
            to = last;
        to.zone = start.zone;
        to.is_date = start.is_date;
        if (!endless && seconds(until) <= seconds(to)) {
            final = true;
            rule.until = until;
        } else {
            rule.until = to;
        }
        TIterator walk(icalrecur_iterator_new(rule, start));
        if (!walk)
            throw ERefused("its recurrence rule cannot be read");
        if (piece > 0 && !icalrecur_iterator_set_start(walk.get(), later(piece * step * kStepsAtOnce)))
            throw ERefused("its recurrence rule cannot be read");
        for (icaltimetype t = icalrecur_iterator_next(walk.get()); !icaltime_is_null_time(t);
             t = icalrecur_iterator_next(walk.get())) {
            budget.Check();
            t.zone = start.zone;
            if (!take(t) || (count > 0 && ++made >= count))
                return;
        }
        if (final)
            return;
    }
}

std::vector<icaltimetype> Occurrences(icalcomponent* event, icalcomponent* calendar, icaltimetype start,
                                      const QDate& from, const QDate& to, const TBudget& budget)
{
    std::vector<icaltimetype> times{start};
    std::size_t inRange = 0;
    const auto count = [&](const icaltimetype& t) {
        const QDate day = LocalOf(t).Date;
        if (day >= from && day <= to && ++inRange > budget.Occurrences)
            throw ERefused("it occurs more than " + std::to_string(budget.Occurrences) + " times between " +
                           from.toString(Qt::ISODate).toStdString() + " and " + to.toString(Qt::ISODate).toStdString());
    };
    count(start);
    // The last start looked for: two days on, for a zone ahead of the diary's.
    icaltimetype last = icaltime_null_time();
    last.year = to.addDays(2).year();
    last.month = to.addDays(2).month();
    last.day = to.addDays(2).day();
    last.zone = start.zone;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        bool first = true;
        RuleStarts(icalproperty_get_rrule(p), start, last, budget, [&](const icaltimetype& t) {
            // libical gives the start itself first; it is there already.
            if (std::exchange(first, false) && icaltime_compare(t, start) == 0)
                return true;
            if (LocalOf(t).Date > to)
                return false;
            count(t);
            times.push_back(t);
            return true;
        });
    }
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
        icaltimetype t = icalproperty_get_rdate(p).time;
        if (icaltime_is_null_time(t))
            t = icalproperty_get_rdate(p).period.start;
        if (!icaltime_is_null_time(t)) {
            if (icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
                t.zone = ZoneOf(p, calendar);
            else if (!icaltime_is_utc(t))
                t.zone = start.zone;
            count(t);
            times.push_back(t);
        }
    }
    std::set<time_t> excluded;
    std::set<QDate> excludedDays;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
        icaltimetype t = icalproperty_get_exdate(p);
        if (icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
            t.zone = ZoneOf(p, calendar);
        else if (!icaltime_is_utc(t))
            t.zone = start.zone;
        if (t.is_date)
            excludedDays.insert(QDate(t.year, t.month, t.day));
        else
            excluded.insert(InstantOf(t));
    }
    std::vector<icaltimetype> kept;
    std::set<time_t> seen;
    for (const icaltimetype& t : times) {
        const time_t instant = InstantOf(t);
        if (excluded.count(instant) || excludedDays.count(LocalOf(t).Date) || !seen.insert(instant).second)
            continue;
        kept.push_back(t);
    }
    return kept;
}

int64_t SecondsOf(const TWhen& when)
{
    return QDateTime(when.Date, when.Time, Qt::UTC).toSecsSinceEpoch();
}

std::string StampOf(const TWhen& when)
{
    return IdText(SecondsOf(when));
}

// How long an event lasts on the wall clock, from its DTEND or its
// DURATION; not Given when it has neither.
struct TLength
{
    bool Given = false;
    int64_t Seconds = 0;
};

TLength LengthOf(icalcomponent* event, icalcomponent* calendar, const icaltimetype& start)
{
    icaltimetype end;
    if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
        end = icalproperty_get_dtend(p);
        if (icaltime_is_null_time(end) || !icaltime_is_valid_time(end))
            throw ERefused("it has no end date that can be read");
        if (icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) && !end.is_date)
            end.zone = ZoneOf(p, calendar);
    } else if (icalproperty* p = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        const icaldurationtype duration = icalproperty_get_duration(p);
        if (icaldurationtype_is_bad_duration(duration))
            throw ERefused("its duration cannot be read");
        end = icaltime_add(start, duration);
    } else {
        return {};
    }
    return {true, SecondsOf(LocalOf(end)) - SecondsOf(LocalOf(start))};
}

// LOCATION as a place: one line, cut to the place's field.
QString PlaceOf(icalcomponent* event)
{
    const char* location = icalcomponent_get_location(event);
    QString place = QString::fromUtf8(location ? location : "");
    for (QChar& c : place)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return DecodeText(EncodeText(place.trimmed(), sizeof(TDetailRec::Text)));
}

// DESCRIPTION as notes, their lines as the editor keeps them, cut where
// the notes' pieces end.
QString NotesOf(icalcomponent* event)
{
    const char* description = icalcomponent_get_description(event);
    QString notes = QString::fromUtf8(description ? description : "");
    notes.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    notes.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return DecodeText(EncodeText(notes, TDetailFile::kMaxNotesBytes + 1));
}

std::string Label(icalcomponent* event, int number)
{
    if (const char* uid = icalcomponent_get_uid(event); uid && *uid)
        return std::string("event ") + uid;
    if (const char* summary = icalcomponent_get_summary(event); summary && *summary)
        return std::string("event \"") + summary + "\"";
    return "event " + std::to_string(number);
}

// The names a calendar program puts on an attendee, matched with the users'
// full names without regard to case.
std::string NameOf(icalproperty* person)
{
    icalparameter* cn = icalproperty_get_first_parameter(person, ICAL_CN_PARAMETER);
    return cn ? QString::fromUtf8(icalparameter_get_cn(cn)).trimmed().toUpper().toStdString() : std::string();
}

// An e-mail address as matched with the users' addresses: without case.
std::string AddressKey(const QString& address)
{
    return address.trimmed().toLower().toStdString();
}

// The e-mail address of a "mailto:" attendee; empty for any other.
std::string AddressOf(icalproperty* person)
{
    const char* value = icalproperty_get_attendee(person);
    const QString address = QString::fromUtf8(value ? value : "").trimmed();
    const QLatin1String scheme("mailto:");
    return address.startsWith(scheme, Qt::CaseInsensitive) ? AddressKey(address.mid(scheme.size())) : std::string();
}

class TImportRun
{
public:
    TImportRun(TOrbekoDB& db, const std::string& userId, const QDate& from, const QDate& to,
               const TICalImport::TLimits& limits, TICalImport::TOutcome& outcome)
        : Db_(db), UserId_(userId), From_(from), To_(to), Limits_(limits), Outcome_(outcome),
          DatabaseUid_(TICalExport::DatabaseUid(db))
    {
        DetailsThere_ = Db_.Details.Exists();
        TUserRec user;
        TKeyWalk walk = TKeyWalk::All(Db_.UserFile, TOrbekoDB::UserIdKey);
        while (walk.Next(user)) {
            UsersByName_.emplace(FieldString(user.FullName).trimmed().toUpper().toStdString(), walk.Id());
            if (DetailsThere_)
                if (const std::string address = AddressKey(Db_.Details.UserEmail(walk.Id())); !address.empty())
                    UsersByAddress_.emplace(address, walk.Id());
        }
        if (DetailsThere_)
            DetailBatch_.emplace(Db_.Details.File());
    }

    // Commits the details written; false, with the file's status, when
    // some were lost.
    bool Commit() { return !DetailBatch_ || DetailBatch_->Commit(); }

    // The changed occurrences, once every VEVENT has been read.
    void Overrides()
    {
        for (const TOverride& override : Overrides_)
            Event(override.Event, override.Calendar, override.Number, true);
    }

    void Event(icalcomponent* event, icalcomponent* calendar, int number, bool deferred = false)
    {
        // A changed occurrence waits until its series, wherever it stands in
        // the file, has been made.
        if (!deferred && icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
            Overrides_.push_back({event, calendar, number});
            return;
        }
        const std::string label = Label(event, number);
        ++Outcome_.Read;
        Budget_ = {std::chrono::steady_clock::now() + Limits_.EventWork, Limits_.EventWork, Limits_.Occurrences};
        try {
            CheckDates(event);
            const bool cancelled = Cancelled(event, calendar);
            if (deferred && Override(event, calendar, cancelled))
                return;
            if (cancelled) {
                ++Outcome_.Cancelled;
                return;
            }
            Strangers_ = 0;
            Add(event, calendar);
            Outcome_.StrangerAttendees += Strangers_;
            Outcome_.Alarms += icalcomponent_count_components(event, ICAL_VALARM_COMPONENT);
            Outcome_.Attachments += icalcomponent_count_properties(event, ICAL_ATTACH_PROPERTY);
            if (const std::string errors = ErrorsOf(event); !errors.empty())
                Outcome_.Reports.push_back(label + ": imported, but " + errors);
        } catch (const ERefused& refused) {
            ++Outcome_.Refused;
            std::string reason = refused.what();
            if (const std::string errors = ErrorsOf(event); !errors.empty())
                reason += " (" + errors + ")";
            Outcome_.Reports.push_back(label + ": refused: " + reason);
        }
    }

private:
    // A cancelled event, or one a cancelling message names, is no live event.
    static bool Cancelled(icalcomponent* event, icalcomponent* calendar)
    {
        if (icalproperty* status = icalcomponent_get_first_property(event, ICAL_STATUS_PROPERTY);
            status && icalproperty_get_status(status) == ICAL_STATUS_CANCELLED)
            return true;
        icalproperty* method = calendar ? icalcomponent_get_first_property(calendar, ICAL_METHOD_PROPERTY) : nullptr;
        return method && icalproperty_get_method(method) == ICAL_METHOD_CANCEL;
    }

    void Add(icalcomponent* event, icalcomponent* calendar)
    {
        icalproperty* startProperty = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        icaltimetype start = startProperty ? icalproperty_get_dtstart(startProperty) : icaltime_null_time();
        if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start))
            throw ERefused("it has no start date that can be read");
        if (icalproperty_get_first_parameter(startProperty, ICAL_TZID_PARAMETER) && !start.is_date)
            start.zone = ZoneOf(startProperty, calendar);
        const bool recurring = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) ||
                               icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
        TLength length = LengthOf(event, calendar, start);
        if (length.Given && length.Seconds < 0)
            throw ERefused("it ends before it starts");
        // An un-timed event of a single day needs no end of its own.
        if (length.Given && start.is_date && length.Seconds <= kDay)
            length = {};
        if (length.Given && length.Seconds > kMaxLength)
            throw ERefused("it lasts too long");

        TDayEntryRec entry;
        Db_.InitDayEntry(entry);
        SetField(entry.OwnerId, UserId_);
        const char* summary = icalcomponent_get_summary(event);
        const QString description = QString::fromUtf8(summary ? summary : "").simplified();
        SetFieldString(entry.Description, description.isEmpty() ? QStringLiteral("(no title)") : description);
        if (icalproperty* kind = icalcomponent_get_first_property(event, ICAL_CLASS_PROPERTY)) {
            const icalproperty_class value = icalproperty_get_class(kind);
            if (value == ICAL_CLASS_PRIVATE || value == ICAL_CLASS_CONFIDENTIAL)
                entry.Flags |= efPrivate;
        }
        std::vector<std::string> others;
        SetField(entry.CategoryId, CategoryOf(event, others));
        Assign(entry, event);

        TEventDetails details;
        details.Place = PlaceOf(event);
        details.Notes = NotesOf(event);
        // The categories beyond the one an event can have are named in its notes.
        if (!others.empty()) {
            QString named;
            for (const std::string& other : others)
                named += (named.isEmpty() ? "" : "; ") + QString::fromUtf8(other);
            details.Notes = DecodeText(EncodeText(details.Notes + (details.Notes.isEmpty() ? "" : "\n") +
                                                      QStringLiteral("Other categories: ") + named,
                                                  TDetailFile::kMaxNotesBytes + 1));
        }

        if (recurring && AsSeries(event)) {
            AddSeries(event, calendar, start, entry, details, length);
            return;
        }
        const std::string ours = OurId(event);
        int outside = 0;
        int inRange = 0;
        for (const icaltimetype& t : recurring ? Occurrences(event, calendar, start, From_, To_, Budget_)
                                               : std::vector<icaltimetype>{start}) {
            const TWhen when = LocalOf(t);
            if (recurring && (when.Date < From_ || when.Date > To_))
                continue;
            ++inRange;
            const int64_t begins = SecondsOf(when);
            const int64_t ends = begins + length.Seconds;
            if (when.Date.year() < 1970 || when.Date.year() > 2037 || ends > kLastEnd) {
                ++outside;
                continue;
            }
            entry.Flags = when.Untimed ? (entry.Flags | efUntimed) : (entry.Flags & ~efUntimed);
            SetField(entry.EntryStamp, StampOf(when));
            details.EndStamp = length.Given ? IdText(ends) : std::string();
            // An event found again keeps what it has, its details with it.
            if (AlreadyThere(entry, ours)) {
                ++Outcome_.Skipped;
                continue;
            }
            if (!Db_.DayEntryFile.Add(entry, ""))
                throw EOrbekoDB(Db_.DayEntryFile.StatusText());
            WriteDetails(Db_.DayEntryFile.LastKey(), entry, details);
            ++Outcome_.Added;
        }
        if (outside > 0)
            throw ERefused("its date lies outside 1970..2037");
        if (inRange == 0)
            throw ERefused("it does not occur between " + From_.toString(Qt::ISODate).toStdString() + " and " +
                           To_.toString(Qt::ISODate).toStdString());
    }

    // One rule and nothing else that repeats it: a series, as the diary
    // keeps them. Other recurring events become one event per occurrence.
    // A rule finer than a day is none the diary keeps as a series: it is
    // worked out, within bounds, for the range only.
    static bool AsSeries(icalcomponent* event)
    {
        return icalcomponent_count_properties(event, ICAL_RRULE_PROPERTY) == 1
            && !icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY)
            && StepOf(icalproperty_get_rrule(icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY))) == 0;
    }

    // The time as the diary's wall clock shows it, a time without a zone
    // taking the start's.
    static TWhen WallClockOf(icaltimetype t, icalproperty* property, icalcomponent* calendar, const icaltimetype& start)
    {
        if (property && icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER))
            t.zone = ZoneOf(property, calendar);
        else if (!icaltime_is_utc(t) && !t.is_date)
            t.zone = start.zone;
        return LocalOf(t);
    }

    std::map<std::string, std::string>& SeriesByUid()
    {
        if (!SeriesByUid_)
            SeriesByUid_ = TSeriesStore(Db_, TStamp().Seconds()).ByUid();
        return *SeriesByUid_;
    }

    // The series a UID names: one imported under it, or one this database exported.
    std::string SeriesOf(const std::string& uid)
    {
        if (const auto found = SeriesByUid().find(uid); found != SeriesByUid().end())
            return found->second;
        const std::string ours = OurId(uid);
        if (ours.rfind("series-", 0) == 0 && TSeriesStore(Db_, TStamp().Seconds()).Read(ours.substr(7)))
            return ours.substr(7);
        return {};
    }

    void AddSeries(icalcomponent* event, icalcomponent* calendar, const icaltimetype& start, TDayEntryRec entry,
                   const TEventDetails& details, const TLength& length)
    {
        const char* uidText = icalcomponent_get_uid(event);
        const std::string uid = uidText ? uidText : "";
        if (!uid.empty() && !SeriesOf(uid).empty()) {
            ++Outcome_.Skipped;
            return;
        }
        const TWhen when = LocalOf(start);
        if (when.Date.year() < 1970 || when.Date.year() > 2037)
            throw ERefused("its date lies outside 1970..2037");
        entry.Flags = when.Untimed ? (entry.Flags | efUntimed) : (entry.Flags & ~efUntimed);
        SetField(entry.EntryStamp, StampOf(when));
        // The rule runs on the diary's wall clock: its end is taken there too.
        icalrecurrencetype recur =
            icalproperty_get_rrule(icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY));
        if (!icaltime_is_null_time(recur.until)) {
            const TWhen until = recur.until.is_date ? TWhen{QDate(recur.until.year, recur.until.month, recur.until.day),
                                                             QTime(23, 59, 59), false}
                                                    : WallClockOf(recur.until, nullptr, calendar, start);
            recur.until = icaltime_from_timet_with_zone(static_cast<time_t>(SecondsOf(until)), 0, nullptr);
        }
        TSeries series;
        series.RRule = TakeICalText(icalrecurrencetype_as_string_r(&recur));
        series.Template = entry;
        series.Details.Place = details.Place;
        series.Details.Notes = details.Notes;
        series.Duration = length.Given ? length.Seconds : 0;
        series.Uid = uid;
        TSeriesStore store(Db_, TStamp().Seconds());
        TSeriesStore::TResult result;
        const std::string id = store.Create(series, &result);
        if (result != TSeriesStore::TResult::Done)
            throw ERefused("its recurrence rule gives no date");
        if (!uid.empty())
            SeriesByUid()[uid] = id;
        // The days taken out of the rule go again.
        std::set<int64_t> excluded;
        std::set<QDate> excludedDays;
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
            const icaltimetype t = icalproperty_get_exdate(p);
            if (t.is_date)
                excludedDays.insert(QDate(t.year, t.month, t.day));
            else
                excluded.insert(SecondsOf(WallClockOf(t, p, calendar, start)));
        }
        for (const TOccurrence& occurrence : store.Occurrences(id)) {
            const QDate day = QDateTime::fromSecsSinceEpoch(occurrence.Original, Qt::UTC).date();
            if (!excluded.count(occurrence.Original) && !excludedDays.count(day)) {
                ++Outcome_.Added;
                continue;
            }
            if (!Db_.DayEntryFile.Delete(occurrence.EventId))
                throw EOrbekoDB(Db_.DayEntryFile.StatusText());
            Db_.Details.RemoveEvent(occurrence.EventId);
        }
    }

    // A changed occurrence of a series in the diary takes the place of the
    // occurrence it changes; false when there is none (it is then an event
    // of its own).
    bool Override(icalcomponent* event, icalcomponent* calendar, bool cancelled)
    {
        const char* uidText = icalcomponent_get_uid(event);
        const std::string seriesId = SeriesOf(uidText ? uidText : "");
        if (seriesId.empty())
            return false;
        icalproperty* which = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
        icalproperty* startProperty = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        icaltimetype start = startProperty ? icalproperty_get_dtstart(startProperty) : icaltime_null_time();
        if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start))
            throw ERefused("it has no start date that can be read");
        if (startProperty && icalproperty_get_first_parameter(startProperty, ICAL_TZID_PARAMETER) && !start.is_date)
            start.zone = ZoneOf(startProperty, calendar);
        const int64_t original = SecondsOf(WallClockOf(icalproperty_get_recurrenceid(which), which, calendar, start));
        TSeriesStore store(Db_, TStamp().Seconds());
        for (const TOccurrence& occurrence : store.Occurrences(seriesId)) {
            if (occurrence.Original != original)
                continue;
            // Cancelled on its own: the day is taken out, as a deleted occurrence is.
            if (cancelled) {
                if (!Db_.DayEntryFile.Delete(occurrence.EventId))
                    throw EOrbekoDB(Db_.DayEntryFile.StatusText());
                Db_.Details.RemoveEvent(occurrence.EventId);
                ++Outcome_.Cancelled;
                return true;
            }
            TDayEntryRec entry = occurrence.Entry;
            const char* summary = icalcomponent_get_summary(event);
            const QString description = QString::fromUtf8(summary ? summary : "").simplified();
            if (!description.isEmpty())
                SetFieldString(entry.Description, description);
            const TWhen when = LocalOf(start);
            entry.Flags = when.Untimed ? (entry.Flags | efUntimed) : (entry.Flags & ~efUntimed);
            SetField(entry.EntryStamp, StampOf(when));
            TEventDetails details;
            details.Place = PlaceOf(event);
            details.Notes = NotesOf(event);
            const TLength length = LengthOf(event, calendar, start);
            if (length.Given && length.Seconds > 0 && !(start.is_date && length.Seconds <= kDay))
                details.EndStamp = IdText(SecondsOf(when) + length.Seconds);
            Db_.Details.WriteEvent(occurrence.EventId, entry, details, &occurrence.Entry);
            if (!Db_.DayEntryFile.Rewrite(entry, occurrence.EventId))
                throw EOrbekoDB(Db_.DayEntryFile.StatusText());
            store.MarkChanged(occurrence.EventId, entry);
            return true;
        }
        return false;
    }

    // The details of an event just added; they fail only for what Add
    // has ruled out already, and then the event goes again.
    void WriteDetails(const std::string& id, const TDayEntryRec& entry, const TEventDetails& details)
    {
        // Without a details file no deleted event has left pieces to clear.
        if (details.Empty() && !DetailsThere_)
            return;
        try {
            Db_.Details.WriteEvent(id, entry, details, nullptr);
        } catch (const std::invalid_argument& refused) {
            if (!Db_.DayEntryFile.Delete(id))
                throw EOrbekoDB(Db_.DayEntryFile.StatusText());
            throw ERefused(refused.what());
        }
        if (!DetailsThere_) {
            // Made by this write: the rest share its commits.
            DetailsThere_ = true;
            DetailBatch_.emplace(Db_.Details.File());
        }
    }

    // The identifier of an event this database exported, when it still is.
    std::string OurId(icalcomponent* event) const
    {
        const char* uid = icalcomponent_get_uid(event);
        return OurId(std::string(uid ? uid : ""));
    }

    std::string OurId(const std::string& text) const
    {
        const std::size_t at = text.rfind('@');
        if (at == std::string::npos || at == 0 || text.compare(at + 1, std::string::npos, DatabaseUid_) != 0)
            return {};
        return text.substr(0, at);
    }

    bool AlreadyThere(const TDayEntryRec& entry, const std::string& ourId)
    {
        TDayEntryRec stored;
        if (!ourId.empty() && FindRecord(Db_.DayEntryFile, stored, TOrbekoDB::DayEntryIdKey, ourId))
            return true;
        const std::string stamp = FieldText(entry.EntryStamp);
        TKeyWalk walk = TKeyWalk::From(Db_.DayEntryFile, TOrbekoDB::DayEntryStampKey, stamp, stamp, gcUpTo);
        while (walk.Next(stored))
            if (FieldText(stored.Description) == FieldText(entry.Description))
                return true;
        return false;
    }

    // The category of the first CATEGORIES name the diary knows, else of the
    // first, made then; the other names in others. libical gives each name
    // of a list as a property of its own, its escaped commas kept.
    std::string CategoryOf(icalcomponent* event, std::vector<std::string>& others)
    {
        std::vector<std::string> names;
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_CATEGORIES_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_CATEGORIES_PROPERTY)) {
            const char* value = icalproperty_get_categories(p);
            TCategoryRec category{};
            SetFieldString(category.Description, QString::fromUtf8(value ? value : "").simplified());
            if (const std::string name = FieldText(category.Description);
                !name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
        if (names.empty())
            return kNoneId;
        std::size_t chosen = 0;
        std::string id;
        for (std::size_t at = 0; at < names.size() && id.empty(); ++at)
            if (!(id = KnownCategory(names[at])).empty())
                chosen = at;
        if (id.empty()) {
            TCategoryRec category{};
            SetField(category.Description, names[0]);
            if (!Db_.CategoryFile.Add(category, ""))
                throw EOrbekoDB(Db_.CategoryFile.StatusText());
            id = Db_.CategoryFile.LastKey();
            Categories_.emplace(QString::fromStdString(names[0]).toUpper().toStdString(), id);
        }
        for (std::size_t at = 0; at < names.size(); ++at)
            if (at != chosen)
                others.push_back(names[at]);
        return id;
    }

    // The category of that description; empty when the diary has none.
    std::string KnownCategory(const std::string& description)
    {
        const std::string key = QString::fromStdString(description).toUpper().toStdString();
        if (const auto known = Categories_.find(key); known != Categories_.end())
            return known->second;
        TCategoryRec stored;
        if (!FindRecord(Db_.CategoryFile, stored, TOrbekoDB::CategoryDescriptionKey, description))
            return {};
        Categories_.emplace(key, Db_.CategoryFile.LastKey());
        return Db_.CategoryFile.LastKey();
    }

    void Assign(TDayEntryRec& entry, icalcomponent* event)
    {
        // The attendees keep their order; the importing user heads the list
        // unless he is among them.
        std::vector<std::string> assignees;
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_ATTENDEE_PROPERTY)) {
            // By address first, which names one user; else by full name.
            const std::string* user = nullptr;
            if (const auto byAddress = UsersByAddress_.find(AddressOf(p)); byAddress != UsersByAddress_.end())
                user = &byAddress->second;
            else if (const auto byName = UsersByName_.find(NameOf(p)); byName != UsersByName_.end())
                user = &byName->second;
            if (!user)
                ++Strangers_;
            else if (std::find(assignees.begin(), assignees.end(), *user) == assignees.end())
                assignees.push_back(*user);
        }
        if (std::find(assignees.begin(), assignees.end(), UserId_) == assignees.end())
            assignees.insert(assignees.begin(), UserId_);
        for (std::size_t slot = 0; slot < assignees.size() && slot < std::size(entry.AssigneeIds); ++slot)
            SetField(entry.AssigneeIds[slot], assignees[slot]);
    }

    TOrbekoDB& Db_;
    const std::string& UserId_;
    const QDate From_;
    const QDate To_;
    const TICalImport::TLimits Limits_;
    TICalImport::TOutcome& Outcome_;
    TBudget Budget_{};
    std::size_t Strangers_ = 0;  // attendees of the event at hand who are not users
    const std::string DatabaseUid_;  // what follows the "@" of our UIDs
    std::multimap<std::string, std::string> UsersByName_;
    std::multimap<std::string, std::string> UsersByAddress_;
    std::map<std::string, std::string> Categories_;
    bool DetailsThere_ = false;
    // The details share commits as the events do; begun once the file is
    // there.
    std::optional<TWriteBatch> DetailBatch_;

    struct TOverride
    {
        icalcomponent* Event;
        icalcomponent* Calendar;
        int Number;
    };
    std::vector<TOverride> Overrides_;
    std::optional<std::map<std::string, std::string>> SeriesByUid_;
};

// The text without its lines that hold a NUL byte, with their folded
// continuations: libical reads text up to the first NUL, and would lose all
// that follows it.
std::string WithoutNulLines(const std::string& text, std::vector<std::string>& reports)
{
    std::string kept;
    kept.reserve(text.size());
    bool dropping = false;
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string_view line(text.data() + start, end - start);
        ++number;
        start = end;
        const bool continued = line[0] == ' ' || line[0] == '\t';
        if (line.find('\0') != std::string_view::npos) {
            reports.push_back("line " + std::to_string(number) + ": it holds a NUL byte and is left out");
            dropping = true;
        } else if (!(dropping && continued)) {
            dropping = false;
            kept.append(line);
        }
    }
    return kept;
}

// How many changes of offset a VTIMEZONE's rules give up to 2037, which is
// what libical works out for it whole; a rule that repeats more often than
// yearly is taken as giving more than any zone may.
std::size_t ChangesOf(icalcomponent* zone, std::size_t limit)
{
    std::size_t changes = 0;
    for (icalcomponent* o = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); o;
         o = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(o);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT)
            continue;
        changes += 1 + icalcomponent_count_properties(o, ICAL_RDATE_PROPERTY);
        icalproperty* first = icalcomponent_get_first_property(o, ICAL_DTSTART_PROPERTY);
        const int from = first ? icalproperty_get_dtstart(first).year : 1970;
        for (icalproperty* p = icalcomponent_get_first_property(o, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(o, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq != ICAL_YEARLY_RECURRENCE)
                return limit + 1;
            int years = (icaltime_is_null_time(rule.until) ? 2037 : std::min(2037, rule.until.year)) - from + 1;
            if (rule.count > 0)
                years = std::min(years, rule.count);
            changes += static_cast<std::size_t>(std::max(0, years));
        }
    }
    return changes;
}

// Marks the time zones of a calendar that cost more than the limit to work
// out, and takes them out, so that libical never works them out.
void RefuseLargeZones(icalcomponent* calendar, std::size_t limit, std::vector<std::string>& reports)
{
    std::vector<icalcomponent*> refused;
    for (icalcomponent* zone = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); zone;
         zone = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        const std::size_t changes = ChangesOf(zone, limit);
        if (changes <= limit)
            continue;
        icalproperty* tzid = icalcomponent_get_first_property(zone, ICAL_TZID_PROPERTY);
        const std::string name = tzid ? icalproperty_get_tzid(tzid) : "";
        reports.push_back("time zone \"" + name + "\": refused: its rules give more than " + std::to_string(limit) +
                          " changes of offset");
        icalproperty* mark = icalproperty_new_x(name.c_str());
        icalproperty_set_x_name(mark, kRefusedZone);
        icalcomponent_add_property(calendar, mark);
        refused.push_back(zone);
    }
    for (icalcomponent* zone : refused) {
        icalcomponent_remove_component(calendar, zone);
        icalcomponent_free(zone);
    }
}

}  // namespace

std::string TICalImport::TOutcome::Summary() const
{
    std::string text = "Added " + std::to_string(Added) + " event" + (Added == 1 ? "" : "s") + ", skipped " +
                       std::to_string(Skipped) + " already in the diary, refused " + std::to_string(Refused) +
                       (Cancelled > 0 ? ", passed over " + std::to_string(Cancelled) + " cancelled" : "") + ".";
    std::string lost;
    const auto count = [&lost](std::size_t n, const char* one, const char* many) {
        if (n > 0)
            lost += (lost.empty() ? "" : ", ") + std::to_string(n) + " " + (n == 1 ? one : many);
    };
    count(StrangerAttendees, "attendee who is not a user of the diary", "attendees who are not users of the diary");
    count(Alarms, "alarm", "alarms");
    count(Attachments, "attachment", "attachments");
    if (!lost.empty())
        text += "\rNot kept: " + lost + ".";
    for (const std::string& report : Reports)
        text += "\r" + report;
    return text;
}

TICalImport::TICalImport(TOrbekoDB& db, std::string userId) : TICalImport(db, std::move(userId), TLimits())
{
}

TICalImport::TICalImport(TOrbekoDB& db, std::string userId, TLimits limits)
    : Db_(db), UserId_(std::move(userId)), Limits_(limits)
{
}

TICalImport::TOutcome TICalImport::Import(const std::string& text, const QDate& from, const QDate& to)
{
    TOutcome outcome;
    const std::string kept = WithoutNulLines(text, outcome.Reports);
    for (std::string& report : SplitCharacterFolds(kept))
        outcome.Reports.push_back(std::move(report));
    for (std::string& report : EmptyParameters(kept))
        outcome.Reports.push_back(std::move(report));
    TICalComponent root(icalparser_parse_string(kept.c_str()));
    if (!root) {
        outcome.NoCalendar = true;
        outcome.Reports.push_back("the file holds no iCalendar data");
        return outcome;
    }
    // A file may hold one calendar, several, or a bare event.
    std::vector<icalcomponent*> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars.push_back(c);
    } else {
        calendars.push_back(root.get());
    }
    for (icalcomponent* calendar : calendars)
        if (icalcomponent_isa(calendar) == ICAL_VCALENDAR_COMPONENT)
            RefuseLargeZones(calendar, Limits_.ZoneChanges, outcome.Reports);
    TImportRun run(Db_, UserId_, from, to, Limits_, outcome);
    // The events share commits: one synced commit each made a large file
    // take minutes.
    TWriteBatch batch(Db_.DayEntryFile);
    int number = 0;
    for (icalcomponent* calendar : calendars) {
        if (icalcomponent_isa(calendar) == ICAL_VEVENT_COMPONENT) {
            run.Event(calendar, nullptr, ++number);
            continue;
        }
        if (!icalcomponent_get_first_property(calendar, ICAL_VERSION_PROPERTY))
            outcome.Reports.push_back("the calendar has no VERSION: it may not be iCalendar 2.0");
        for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
             event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            run.Event(event, calendar, ++number);
    }
    run.Overrides();
    if (!batch.Commit())
        throw EOrbekoDB(Db_.DayEntryFile.StatusText());
    if (!run.Commit())
        throw EOrbekoDB(Db_.Details.File().StatusText());
    return outcome;
}

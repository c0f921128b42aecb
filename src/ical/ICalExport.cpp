#include "ical/ICalExport.h"

#include "ical/ICalComponent.h"
#include "storage/DatabaseUid.h"
#include "storage/KeyWalk.h"
#include "kfstore/KfStore.h"
#include "kfstore/KfsStatus.h"
#include "series/SeriesStore.h"
#include "storage/OrbekoDB.h"
#include "storage/Records.h"
#include "storage/Stamp.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

namespace {

// A stamp counts the seconds of the workstation's wall clock as if it were
// UTC; these are the wall clock's own fields.
QDateTime WallClock(const std::string& stamp)
{
    return QDateTime::fromSecsSinceEpoch(IdValue(stamp), Qt::UTC);
}

std::string StampOf(const QDate& date, const QTime& time)
{
    return IdText(QDateTime(date, time, Qt::UTC).toSecsSinceEpoch());
}

icaltimetype DateOf(const QDate& date)
{
    icaltimetype t = icaltime_null_date();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    return t;
}

icaltimetype TimeOf(const QDateTime& value)
{
    icaltimetype t = icaltime_null_time();
    t.year = value.date().year();
    t.month = value.date().month();
    t.day = value.date().day();
    t.hour = value.time().hour();
    t.minute = value.time().minute();
    t.second = value.time().second();
    return t;
}

// The zone is the system's, read once: a QDateTime in local time asks the C
// library, which looks at the zone file again for every conversion.
icaltimetype UtcOf(const QDateTime& wallClock, const QTimeZone& system)
{
    const QDateTime local(wallClock.date(), wallClock.time(), system);
    icaltimetype t = TimeOf(local.toUTC());
    return icaltime_set_timezone(&t, icaltimezone_get_utc_timezone());
}

// The system's time zone as libical knows it, by its location name; null
// when libical has no such zone (times then go out in UTC).
icaltimezone* SystemZone()
{
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (id.isEmpty() || id == "UTC" || id == "Etc/UTC")
        return nullptr;
    return icaltimezone_get_builtin_timezone(id.constData());
}

// DTSTART or DTEND in the system's zone, or in UTC when libical does not
// know it.
icalproperty* TimeAt(icalproperty* (*make)(icaltimetype), const QDateTime& wallClock, icaltimezone* zone,
                     const QTimeZone& system)
{
    if (!zone)
        return make(UtcOf(wallClock, system));
    icaltimetype t = TimeOf(wallClock);
    t = icaltime_set_timezone(&t, zone);
    icalproperty* at = make(t);
    icalproperty_add_parameter(at, icalparameter_new_tzid(icaltimezone_get_location(zone)));
    return at;
}

// The day after an un-timed event's last: the midnight its end stamp
// gives, at least the day after its start.
QDate EndDay(const QDateTime& start, const std::string& endStamp)
{
    const QDate next = start.date().addDays(1);
    if (endStamp.empty())
        return next;
    const QDateTime end = WallClock(endStamp);
    const QDate day = end.time() == QTime(0, 0) ? end.date() : end.date().addDays(1);
    return std::max(day, next);
}

class TNames
{
public:
    explicit TNames(TOrbekoDB& db) : Db_(db) {}

    const TUserRec* User(const std::string& id)
    {
        auto found = Users_.find(id);
        if (found == Users_.end()) {
            TUserRec user;
            const bool known = FindRecord(Db_.UserFile, user, TOrbekoDB::UserIdKey, id);
            found = Users_.emplace(id, known ? std::optional<TUserRec>(user) : std::nullopt).first;
        }
        return found->second ? &*found->second : nullptr;
    }

    // A user's address for ORGANIZER and ATTENDEE; empty without one.
    const std::string& Address(const std::string& id)
    {
        auto found = Addresses_.find(id);
        if (found == Addresses_.end()) {
            const QString email = Db_.Details.UserEmail(id).trimmed();
            found = Addresses_.emplace(id, email.isEmpty() ? std::string() : "mailto:" + email.toStdString()).first;
        }
        return found->second;
    }

    QString Category(const std::string& id)
    {
        auto found = Categories_.find(id);
        if (found == Categories_.end()) {
            TCategoryRec category;
            const bool known = FindRecord(Db_.CategoryFile, category, TOrbekoDB::CategoryIdKey, id);
            found = Categories_.emplace(id, known ? FieldString(category.Description) : QString()).first;
        }
        return found->second;
    }

private:
    TOrbekoDB& Db_;
    std::map<std::string, std::optional<TUserRec>> Users_;
    std::map<std::string, std::string> Addresses_;
    std::map<std::string, QString> Categories_;
};

// The user as ORGANIZER or ATTENDEE, by address and full name; none for a
// user without an address, which neither property can go without.
icalproperty* Person(icalproperty* (*make)(const char*), TNames& names, const std::string& id)
{
    const TUserRec* user = names.User(id);
    const std::string& address = names.Address(id);
    if (!user || address.empty())
        return nullptr;
    icalproperty* person = make(address.c_str());
    if (const QByteArray name = FieldString(user->FullName).toUtf8(); !name.isEmpty())
        icalproperty_add_parameter(person, icalparameter_new_cn(name.constData()));
    return person;
}

}  // namespace

std::string TICalExport::DatabaseUid(TOrbekoDB& db)
{
    return TDatabaseUid::Of(db);
}

std::string TICalExport::Export(const TOptions& options)
{
    Count_ = 0;
    const std::string databaseUid = DatabaseUid(Db_);
    icaltimezone* zone = SystemZone();
    const QTimeZone system = QTimeZone::systemTimeZone();

    TICalComponent calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Tresk//Orbeko//EN"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    if (zone) {
        icalcomponent* timezone = icalcomponent_new_clone(icaltimezone_get_component(zone));
        // Named by its location, as other calendar programs name it.
        if (icalproperty* tzid = icalcomponent_get_first_property(timezone, ICAL_TZID_PROPERTY))
            icalproperty_set_tzid(tzid, icaltimezone_get_location(zone));
        icalcomponent_add_component(calendar.get(), timezone);
    }

    std::map<std::string, std::string> alarms;  // entry id -> due stamp
    if (!options.AlarmUserId.empty()) {
        TAlarmRec alarm;
        TKeyWalk walk = TKeyWalk::Prefix(Db_.AlarmFile, TOrbekoDB::AlarmUserKey, options.AlarmUserId);
        while (walk.Next(alarm))
            alarms.emplace(FieldText(alarm.EntryId), FieldText(alarm.AlarmStamp));
    }

    TNames names(Db_);
    // A database without the details file has no details to read: asked
    // once, not once per event.
    const bool withDetails = Db_.Details.Exists();
    const icaltimetype now = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    // Occurrences of series go out as their series: one VEVENT with its rule
    // and the days deleted from it, and one per occurrence changed on its own.
    TSeriesStore store(Db_, TStamp().Seconds());
    std::map<std::string, std::pair<TOccurrence, TDetailRec>> links;  // by event identifier
    if (withDetails) {
        TDetailRec piece;
        TKeyWalk linkWalk = TKeyWalk::From(Db_.Details.File(), TDetailFile::ReachKey, "L", "M", gcBelow);
        while (linkWalk.Next(piece)) {
            if (TDetailFile::PieceKind(piece) != TDetailFile::LinkPiece)
                continue;
            TOccurrence link;
            link.SeriesId = FieldText(piece.Text);
            link.EventId = TDetailFile::SubjectId(piece);
            link.Original = IdValue(FieldText(piece.EndStamp));
            link.Changed = (piece.Flags & 1) != 0;
            links.emplace(link.EventId, std::make_pair(link, piece));
        }
    }
    std::map<std::string, std::optional<TSeries>> seriesOut;  // by series identifier
    const auto seriesUid = [&](const TSeries& series) {
        return series.Uid.empty() ? "series-" + series.Id + "@" + databaseUid : series.Uid;
    };
    std::string events;
    TDayEntryRec entry;
    TKeyWalk walk = TKeyWalk::From(Db_.DayEntryFile, TOrbekoDB::DayEntryStampKey, StampOf(options.From, QTime(0, 0)),
                                   StampOf(options.To, QTime(23, 59, 59)), gcUpTo);
    while (walk.Next(entry)) {
        if (options.Visible && !options.Visible(entry))
            continue;
        const std::string id = walk.Id();
        const QDateTime start = WallClock(FieldText(entry.EntryStamp));
        const TICalComponent owned(icalcomponent_new_vevent());
        icalcomponent* event = owned.get();
        const auto linked = links.find(id);
        const TOccurrence* link = nullptr;
        const TSeries* series = nullptr;
        if (linked != links.end() && TDetailFile::Belongs(linked->second.second, entry)) {
            link = &linked->second.first;
            auto found = seriesOut.find(link->SeriesId);
            if (found == seriesOut.end())
                found = seriesOut.emplace(link->SeriesId, store.Read(link->SeriesId)).first;
            if (found->second)
                series = &*found->second;
        }
        if (series && !link->Changed)
            continue;  // the series' own VEVENT stands for it
        if (series) {
            icalcomponent_add_property(event, icalproperty_new_uid(seriesUid(*series).c_str()));
            const QDateTime original = WallClock(IdText(link->Original));
            icalcomponent_add_property(event, (entry.Flags & efUntimed)
                                                  ? icalproperty_new_recurrenceid(DateOf(original.date()))
                                                  : TimeAt(icalproperty_new_recurrenceid, original, zone, system));
        } else {
            icalcomponent_add_property(event, icalproperty_new_uid((id + "@" + databaseUid).c_str()));
        }
        icalcomponent_add_property(event, icalproperty_new_dtstamp(now));
        const TEventDetails details = withDetails ? Db_.Details.Event(id, entry) : TEventDetails();
        if (entry.Flags & efUntimed) {
            // One VEVENT over all its days, the end excluded.
            icalcomponent_add_property(event, icalproperty_new_dtstart(DateOf(start.date())));
            icalcomponent_add_property(event, icalproperty_new_dtend(DateOf(EndDay(start, details.EndStamp))));
        } else {
            icalcomponent_add_property(event, TimeAt(icalproperty_new_dtstart, start, zone, system));
            if (!details.EndStamp.empty())
                icalcomponent_add_property(
                    event, TimeAt(icalproperty_new_dtend, std::max(start, WallClock(details.EndStamp)), zone, system));
        }
        const QByteArray summary = FieldString(entry.Description).toUtf8();
        icalcomponent_add_property(event, icalproperty_new_summary(summary.constData()));
        if (!details.Place.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_location(details.Place.toUtf8().constData()));
        if (!details.Notes.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_description(details.Notes.toUtf8().constData()));
        if (const QString category = names.Category(FieldText(entry.CategoryId)); !category.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_categories(category.toUtf8().constData()));
        icalcomponent_add_property(event, icalproperty_new_class((entry.Flags & efPrivate) ? ICAL_CLASS_PRIVATE
                                                                                           : ICAL_CLASS_PUBLIC));
        if (icalproperty* organizer = Person(icalproperty_new_organizer, names, FieldText(entry.OwnerId)))
            icalcomponent_add_property(event, organizer);
        for (const auto& slot : entry.AssigneeIds) {
            const std::string assignee = FieldText(slot);
            if (assignee == kNoneId || assignee.empty())
                continue;
            if (icalproperty* attendee = Person(icalproperty_new_attendee, names, assignee))
                icalcomponent_add_property(event, attendee);
        }
        if (const auto alarm = alarms.find(id); alarm != alarms.end()) {
            icaltriggertype trigger = icaltriggertype_from_int(0);
            trigger.time = UtcOf(WallClock(alarm->second), system);
            icalcomponent* valarm = icalcomponent_new_valarm();
            icalcomponent_add_property(valarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(valarm, icalproperty_new_description(summary.constData()));
            icalcomponent_add_property(valarm, icalproperty_new_trigger(trigger));
            icalcomponent_add_component(event, valarm);
        }
        events += TakeICalText(icalcomponent_as_ical_string_r(event));
        ++Count_;
    }
    for (const auto& [seriesId, series] : seriesOut) {
        if (!series)
            continue;
        const TDayEntryRec& model = series->Template;
        const QDateTime start = WallClock(FieldText(model.EntryStamp));
        const TICalComponent owned(icalcomponent_new_vevent());
        icalcomponent* event = owned.get();
        icalcomponent_add_property(event, icalproperty_new_uid(seriesUid(*series).c_str()));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(now));
        const bool untimed = (model.Flags & efUntimed) != 0;
        if (untimed) {
            icalcomponent_add_property(event, icalproperty_new_dtstart(DateOf(start.date())));
            icalcomponent_add_property(
                event, icalproperty_new_dtend(DateOf(EndDay(start, series->Duration > 0
                                                                        ? IdText(start.toSecsSinceEpoch() + series->Duration)
                                                                        : std::string()))));
        } else {
            icalcomponent_add_property(event, TimeAt(icalproperty_new_dtstart, start, zone, system));
            if (series->Duration > 0)
                icalcomponent_add_property(
                    event, TimeAt(icalproperty_new_dtend, start.addSecs(series->Duration), zone, system));
        }
        icalrecurrencetype recur = icalrecurrencetype_from_string(series->RRule.c_str());
        icalerror_clear_errno();
        if (recur.freq == ICAL_NO_RECURRENCE)
            continue;
        // The rule runs on the diary's wall clock; an end given with the zone's
        // DTSTART must be in UTC.
        if (!icaltime_is_null_time(recur.until) && !untimed) {
            const QDateTime until = QDateTime(QDate(recur.until.year, recur.until.month, recur.until.day),
                                              QTime(recur.until.hour, recur.until.minute, recur.until.second), Qt::UTC);
            recur.until = UtcOf(until, system);
        } else if (!icaltime_is_null_time(recur.until)) {
            recur.until.is_date = 1;
        }
        icalcomponent_add_property(event, icalproperty_new_rrule(recur));
        for (int64_t deleted : store.DeletedStarts(seriesId)) {
            const QDateTime day = WallClock(IdText(deleted));
            icalcomponent_add_property(event, untimed ? icalproperty_new_exdate(DateOf(day.date()))
                                                      : TimeAt(icalproperty_new_exdate, day, zone, system));
        }
        const QByteArray summary = FieldString(model.Description).toUtf8();
        icalcomponent_add_property(event, icalproperty_new_summary(summary.constData()));
        if (!series->Details.Place.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_location(series->Details.Place.toUtf8().constData()));
        if (!series->Details.Notes.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_description(series->Details.Notes.toUtf8().constData()));
        if (const QString category = names.Category(FieldText(model.CategoryId)); !category.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_categories(category.toUtf8().constData()));
        icalcomponent_add_property(event, icalproperty_new_class((model.Flags & efPrivate) ? ICAL_CLASS_PRIVATE
                                                                                           : ICAL_CLASS_PUBLIC));
        if (icalproperty* organizer = Person(icalproperty_new_organizer, names, FieldText(model.OwnerId)))
            icalcomponent_add_property(event, organizer);
        for (const auto& slot : model.AssigneeIds) {
            const std::string assignee = FieldText(slot);
            if (assignee == kNoneId || assignee.empty())
                continue;
            if (icalproperty* attendee = Person(icalproperty_new_attendee, names, assignee))
                icalcomponent_add_property(event, attendee);
        }
        if (series->AlarmLead) {
            icalcomponent* valarm = icalcomponent_new_valarm();
            icalcomponent_add_property(valarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(valarm, icalproperty_new_description(summary.constData()));
            icaltriggertype trigger = icaltriggertype_from_int(0);
            trigger.duration = icaldurationtype_from_int(static_cast<int>(-*series->AlarmLead));
            icalcomponent_add_property(valarm, icalproperty_new_trigger(trigger));
            icalcomponent_add_component(event, valarm);
        }
        events += TakeICalText(icalcomponent_as_ical_string_r(event));
        ++Count_;
    }
    // Each event is written out as soon as it is made: a tree of a hundred
    // thousand events costs more to build and free than its text. They go
    // in before the calendar's last line.
    std::string text = TakeICalText(icalcomponent_as_ical_string_r(calendar.get()));
    const std::size_t end = text.rfind("END:VCALENDAR");
    if (end == std::string::npos)
        throw std::runtime_error("libical wrote no calendar");
    text.insert(end, events);
    return text;
}

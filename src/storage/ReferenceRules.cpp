#include "storage/ReferenceRules.h"

#include "storage/DatabaseFiles.h"
#include "storage/DetailFile.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

namespace {

bool Unused(const std::string& id)
{
    return id.empty() || id == kNoneId;
}

}  // namespace

std::set<std::string> TReferenceRules::CheckEvent(const TDayEntryRec& entry, const TReport& report) const
{
    if (!IsIdentifier(FieldText(entry.EntryStamp)))
        report("its time \"" + FieldText(entry.EntryStamp) + "\" is not a stamp");
    const std::string owner = FieldText(entry.OwnerId);
    if (!KnownUser(owner))
        report("its owner " + owner + " is not in " + TOrbekoDB::UserFileName);
    const std::string category = FieldText(entry.CategoryId);
    if (Categories && !Unused(category) && !Categories->count(category))
        report("its category " + category + " is not in " + TOrbekoDB::CategoryFileName);
    std::set<std::string> assignees;
    for (const auto& slot : entry.AssigneeIds) {
        const std::string assignee = FieldText(slot);
        if (Unused(assignee))
            continue;
        assignees.insert(assignee);
        if (!KnownUser(assignee))
            report("its assignee " + assignee + " is not in " + TOrbekoDB::UserFileName);
    }
    return assignees;
}

void TReferenceRules::CheckAlarm(const TAlarmRec& alarm, const TReport& report) const
{
    const std::string user = FieldText(alarm.UserId);
    const std::string stamp = FieldText(alarm.AlarmStamp);
    if (!KnownUser(user))
        report("its user " + user + " is not in " + TOrbekoDB::UserFileName);
    if (!IsIdentifier(stamp))
        report("its due time \"" + stamp + "\" is not a stamp");
    if (FieldText(alarm.UserAlarmKey) != user + stamp)
        report("its user-and-time key \"" + FieldText(alarm.UserAlarmKey) + "\" is not its user followed by its "
               "due time");
}

TReferenceRules::TRuleGives& TReferenceRules::RuleGives()
{
    static TRuleGives gives;
    return gives;
}

void TReferenceRules::CheckDetail(const TDetailRec& piece, const TDayEntryRec* event, const TReport& report) const
{
    const char kind = TDetailFile::SubjectKind(piece);
    // A subject of one of the three kinds has its letter, so an identifier.
    const std::string id = kind ? TDetailFile::SubjectId(piece) : std::string();
    switch (kind) {
    case TDetailFile::EventSubject:
        if (!event)
            report("its event " + id + " is not in " + TOrbekoDB::DayEntryFileName);
        else if (!TDetailFile::Belongs(piece, *event))
            report("its event " + id + " is not the one it was made for (owner " + FieldText(piece.OwnerId)
                   + ", time " + FieldText(piece.EntryStamp) + ")");
        else if (TDetailFile::PieceKind(piece) == TDetailFile::LinkPiece && Series)
            CheckLink(piece, report);
        return;
    case TDetailFile::SeriesSubject:
        if (Series && !Series->count(id))
            report("its series " + id + " has no head piece");
        return;
    case TDetailFile::CategorySubject:
        if (Categories && !Categories->count(id))
            report("its category " + id + " is not in " + TOrbekoDB::CategoryFileName);
        return;
    case TDetailFile::UserSubject:
        if (!KnownUser(id))
            report("its user " + id + " is not in " + TOrbekoDB::UserFileName);
        return;
    default:
        report("its subject \"" + FieldText(piece.Subject) + "\" names no event, category, user or series");
    }
}

void TReferenceRules::CheckLink(const TDetailRec& link, const TReport& report) const
{
    const std::string seriesId = FieldText(link.Text);
    const auto series = Series->find(seriesId);
    if (series == Series->end()) {
        report("its series " + seriesId + " is not in " + TDetailFile::FileName);
        return;
    }
    // One changed on its own may keep a start the series' rule no longer gives.
    constexpr int32_t changed = 1;
    const int64_t original = IdValue(FieldText(link.EndStamp));
    if (!(link.Flags & changed) && RuleGives()
        && !RuleGives()(series->second.RRule, series->second.Start, original))
        report("its start " + FieldText(link.EndStamp) + " is not one that its series' rule gives");
}

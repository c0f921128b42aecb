#pragma once

#include "admin/TroubleLines.h"

// Every alarm in order of its due time:
// "Time = <due>, User = <full name>, Description = <the event's text>".
class TAlarmLines : public TTroubleLines
{
    Q_OBJECT
public:
    using TTroubleLines::TTroubleLines;

protected:
    void Restart(TOrbekoDB& db) override;
    bool ReadRow(TOrbekoDB& db, TRow& row) override;
    QString Line(const TRow& row) const override;

private:
    std::pair<uint32_t, int32_t> EventText(TOrbekoDB& db, const std::string& entryId);

    // The alarms of one event are due together, so they come one after another.
    std::string LastEntryId_;
    std::pair<uint32_t, int32_t> LastEntryText_;
};

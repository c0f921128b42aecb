#pragma once

#include "admin/TroubleLines.h"

// Every event in order of its date and time:
// "Time = <stamp>, Owner = <full name>, Description = <text>", or
// "Owner = ERR, Description = ERR" when the owner is gone.
class TEventLines : public TTroubleLines
{
    Q_OBJECT
public:
    using TTroubleLines::TTroubleLines;

protected:
    void Restart(TOrbekoDB& db) override;
    bool ReadRow(TOrbekoDB& db, TRow& row) override;
    QString Line(const TRow& row) const override;
};

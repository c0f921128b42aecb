#include "app/AlarmMonitor.h"

#include "app/AlarmScan.h"
#include "app/frmNotify.h"
#include "series/SeriesStore.h"
#include "storage/OrbekoDB.h"

#include <exception>

TAlarmMonitor::TAlarmMonitor(std::unique_ptr<TOrbekoDB> db, TfrmNotify& notify, TReactions reactions)
    : Db_(std::move(db)), Notify_(notify), Reactions_(std::move(reactions)), Outage_(Db_->RootPath)
{
}

TAlarmMonitor::~TAlarmMonitor() = default;

void TAlarmMonitor::Tick(const std::string& userId)
{
    if (Outage_.Away())
        return;
    try {
        // What other workstations wrote while the diary was away came with
        // no word that this one heard: the view is read afresh.
        if (Outage_.Out())
            Reactions_.Reload();
        else
            Reactions_.Follow();
        Clock_.SetNow();
        const int64_t hour = Clock_.Seconds() / 3600;
        if (hour != SeriesHour_) {
            SeriesHour_ = hour;
            if (TSeriesStore(*Db_, Clock_.Seconds()).ExtendDue() > 0)
                Reactions_.Reload();
        }
        TAlarmScan scan(Db_->AlarmFile, userId);
        Reactions_.Due(scan.Due(Clock_));
        scan.Run(Clock_, [this, &scan](TAlarmRec& alarm, const std::string& alarmId) {
            const bool written = Notify_.Execute(alarm, alarmId, *Db_) != TfrmNotify::Failed;
            if (written)
                Reactions_.Due(scan.Due(Clock_));
            Reactions_.Reload();
            return written;
        });
    } catch (const std::exception&) {
        if (!Outage_.Failed())
            throw;
        return;
    }
    Outage_.Reached();
}

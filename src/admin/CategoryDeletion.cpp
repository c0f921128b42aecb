#include "admin/CategoryDeletion.h"

#include "storage/KeyWalk.h"
#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "kfstore/RecordLock.h"
#include "kfstore/WriteBatch.h"
#include "series/SeriesStore.h"
#include "storage/Stamp.h"

#include <stdexcept>
#include <utility>

namespace {

const char* const kEventLocked = "Unable to complete deletion. Another user has locked the database";

}  // namespace

TCategoryDeletion::TCategoryDeletion(TOrbekoDB& db, std::string categoryId)
    : Db_(db), CategoryId_(std::move(categoryId))
{
}

void TCategoryDeletion::Run() const
{
    Uncategorise(CarryingEvents());
    // Occurrences made later are made without it too.
    TSeriesStore store(Db_, TStamp().Seconds());
    for (const std::string& id : store.Ids()) {
        std::optional<TSeries> series = store.Read(id);
        if (!series || FieldText(series->Template.CategoryId) != CategoryId_)
            continue;
        SetField(series->Template.CategoryId, kNoneId);
        if (store.RewriteTemplate(*series) == TSeriesStore::TResult::Locked)
            throw std::runtime_error(kEventLocked);
    }
    if (!Db_.CategoryFile.Delete(CategoryId_))
        throw std::runtime_error(Db_.CategoryFile.StatusText());
    // Its events keep their details; only the category's own go.
    Db_.Details.RemoveCategory(CategoryId_);
}

std::vector<std::string> TCategoryDeletion::CarryingEvents() const
{
    TXIsamFile& file = Db_.DayEntryFile;
    std::vector<std::string> carrying;
    TDayEntryRec entry;
    // Only the end of the file ends the scan: a failed read raises rather
    // than pass for an event without the category.
    TKeyWalk walk = TKeyWalk::All(file, TOrbekoDB::DayEntryIdKey);
    while (walk.Next(entry))
        if (FieldText(entry.CategoryId) == CategoryId_)
            carrying.push_back(walk.Id());
    return carrying;
}

void TCategoryDeletion::Uncategorise(const std::vector<std::string>& eventIds) const
{
    // A category in wide use is carried by thousands of events: they share
    // commits instead of syncing the disk once each.
    TWriteBatch batch(Db_.DayEntryFile);
    for (const std::string& id : eventIds)
        Uncategorise(id);
    if (!batch.Commit())
        throw std::runtime_error(Db_.DayEntryFile.StatusText());
}

void TCategoryDeletion::Uncategorise(const std::string& eventId) const
{
    TXIsamFile& file = Db_.DayEntryFile;
    const TRecordLock lock(file, eventId);
    if (!lock.Held())
        throw std::runtime_error(file.Status() == ksLocked ? kEventLocked : file.StatusText());
    TDayEntryRec entry;
    if (!file.GetEqual(entry, TOrbekoDB::DayEntryIdKey, eventId)) {
        if (file.Status() == ksNotFound)
            return;
        throw std::runtime_error(file.StatusText());
    }
    // Another workstation may have given the event another category.
    if (FieldText(entry.CategoryId) != CategoryId_)
        return;
    SetField(entry.CategoryId, kNoneId);
    if (!file.Rewrite(entry, eventId))
        throw std::runtime_error(file.StatusText());
}

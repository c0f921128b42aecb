#include "kfstore/StoreCopy.h"

#include "kfstore/KeyFormat.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/StoreHome.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/WriteBatch.h"
#include "kfstore/XIsamFile.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace {

// The files of the destination made so far, removed again unless the copy
// is kept.
class TMadeFiles
{
public:
    ~TMadeFiles()
    {
        Open_.clear();
        if (!Kept_)
            for (const std::string& name : Names_)
                TXIsamFile().RemoveFile(name);
    }

    TXIsamFile& Make(const std::string& name, const TKeptFile& kept)
    {
        auto file = std::make_unique<TXIsamFile>();
        if (!file->CreateFile(name, static_cast<int16_t>(kept.KeyLength), kept.KeyFormat))
            throw std::runtime_error("cannot make " + StoreHomes::Shown(name) + ": " + file->StatusText());
        Names_.push_back(name);
        if (!file->Open(name, koExclusive))
            throw std::runtime_error("cannot open " + StoreHomes::Shown(name) + ": " + file->StatusText());
        Open_.push_back(std::move(file));
        return *Open_.back();
    }

    void Keep() { Kept_ = true; }

private:
    std::vector<std::string> Names_;
    std::vector<std::unique_ptr<TXIsamFile>> Open_;  // closed before the files go
    bool Kept_ = false;
};

void CopyNote(TXIsamFile& from, TXIsamFile& to, const std::string& name)
{
    std::string note;
    if (!from.ReadNote(note))
        throw std::runtime_error(name + ": cannot copy its note: " + from.StatusText());
    if (!to.WriteNote(note))
        throw std::runtime_error(name + ": cannot copy its note: " + to.StatusText());
}

int64_t CopyRecords(TXIsamFile& from, TXIsamFile& to, const TKeptFile& file)
{
    const std::optional<TKeyFormat> format = TKeyFormat::Parse(file.KeyFormat);
    std::vector<char> record(static_cast<std::size_t>(format->RecordSize()));
    int64_t copied = 0;
    if (!from.GoTop(0))
        throw std::runtime_error(std::string(file.Name) + ": " + from.StatusText());
    {
        // Nobody waits for the copy's file: its adds share commits.
        TWriteBatch batch(to);
        while (from.GetNext(record.data(), record.size(), 0, "", gcAny)) {
            if (!to.Add(record.data(), record.size(), from.LastKey()))
                throw std::runtime_error(std::string(file.Name) + " " + from.LastKey() + ": cannot write it: " +
                                         to.StatusText());
            ++copied;
        }
        if (from.Status() != ksNotFound)
            throw std::runtime_error(std::string(file.Name) + ": reading stopped: " + from.StatusText());
        if (!batch.Commit())
            throw std::runtime_error(std::string(file.Name) + ": the copy was not stored: " + to.StatusText());
    }
    if (to.RecordCount() != from.RecordCount())
        throw std::runtime_error(std::string(file.Name) + ": the copy holds " + std::to_string(to.RecordCount()) +
                                 " records of " + std::to_string(from.RecordCount()));
    return copied;
}

}  // namespace

int64_t TStoreCopy::Run(TKeptFiles files, const std::string& source, const std::string& destination)
{
    const std::string from = StoreLocation::Normalized(source);
    const std::string to = StoreLocation::Normalized(destination);
    if (from == to)
        throw ECopyRefused("the source and the destination are the same");

    // An optional file the source lacks has no source: the copy lacks it too.
    std::vector<std::unique_ptr<TXIsamFile>> sources;
    for (const TKeptFile& file : files) {
        auto opened = std::make_unique<TXIsamFile>();
        const std::string name = StoreLocation::FileName(from, file.Name);
        if (!opened->Open(name, koExclusive)) {
            if (opened->Status() == ksNotFound && file.Optional) {
                sources.push_back(nullptr);
                continue;
            }
            if (opened->Status() == ksNameInUse)
                throw ECopyRefused(StoreHomes::Shown(from) +
                                   " is open on a workstation; end Orbeko everywhere before copying it");
            throw std::runtime_error("cannot open " + StoreHomes::Shown(name) + ": " + opened->StatusText());
        }
        sources.push_back(std::move(opened));
    }

    if (!StoreLocation::IsServer(to)) {
        std::error_code error;
        std::filesystem::create_directories(to, error);
        if (error)
            throw std::runtime_error("cannot make the folder " + StoreHomes::Shown(to) + ": " + error.message());
    }
    for (const TKeptFile& file : files) {
        TXIsamFile probe;
        if (probe.Open(StoreLocation::FileName(to, file.Name), koShared))
            throw ECopyRefused(StoreHomes::Shown(to) + " already holds " + file.Name);
        // A server that does not answer holds nothing that could be refused.
        if (probe.Status() != ksNotFound && StoreLocation::IsServer(to))
            throw std::runtime_error(StoreHomes::Shown(to) + " cannot be reached: " + probe.StatusText());
        if (probe.Status() != ksNotFound)
            throw ECopyRefused(StoreHomes::Shown(to) + " already holds " + file.Name);
    }

    TMadeFiles made;
    int64_t copied = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const TKeptFile& file = files[i];
        if (!sources[i])
            continue;
        TXIsamFile& copy = made.Make(StoreLocation::FileName(to, file.Name), file);
        CopyNote(*sources[i], copy, file.Name);
        copied += CopyRecords(*sources[i], copy, file);
    }
    made.Keep();
    return copied;
}

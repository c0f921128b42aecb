#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/Problem.h"
#include "kfstore/StoreUpkeep.h"
#include "kfstore/folder/Connection.h"
#include "kfstore/KeyFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The checks of one keyed file that need no other file: the engine's own
// check of the file's structure (quick_check: integrity_check without the
// index-against-table part, which takes minutes on a million events), the
// file's description (format version, key format, key and record size),
// the index of every indexed segment, the agreement of the table with each
// index (sums of the hashes of every record's copies, read in file order),
// and every record's key, size and index values. Where a table and an
// index disagree, the records are named by probing one from the other.
// An optional file that is missing is no problem, and not Usable.
class TFileCheck : public TCheckedFile
{
public:
    TFileCheck(const std::string& folder, const TKeptFile& file, const TProblemSink& sink);
    TFileCheck(const TFileCheck&) = delete;
    TFileCheck& operator=(const TFileCheck&) = delete;

    // Open, with a description that matches: its records can be read.
    bool Usable() const override { return Usable_; }
    const TKeyFormat& Format() const { return *Format_; }
    TConnection& Connection() { return Connection_; }

    bool ScanRecords(const TRecordVisitor& visit) override;
    std::unique_ptr<TKeyedRows> ByKey(int keyNumber) override;
    void Report(std::string_view record, const std::string& text) const override;
    // Reports an engine failure of a read.
    void ReportEngine(const std::string& what, int rc) const;

private:
    bool Open(const std::string& path);
    void CheckIntegrity();
    void CheckDescription();
    void CheckIndexes();
    void CompareIndexes();
    uint64_t SumOfCopies(const std::string& from, int key);
    void CompareTableWithIndex(int key);

    std::string Name_;
    int KeyLength_;
    bool Optional_;
    const TProblemSink& Sink_;
    std::optional<TKeyFormat> Format_;
    TConnection Connection_;
    bool Usable_ = false;
};

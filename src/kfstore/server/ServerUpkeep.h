#pragma once

#include "kfstore/StoreUpkeep.h"

#include <string>
#include <vector>

// The keeper's work on a database on a server, through the store while
// workstations keep working: each file opens with its own key format,
// every identifier is a key of digits, every key reads as many records as
// the file says it holds. The server checks its own pages, and it is
// backed up with its own tools.
class TServerUpkeep : public TStoreUpkeep
{
public:
    TServerUpkeep(std::string location, TKeptFiles files);

    std::unique_ptr<TCheckedFile> Check(const TKeptFile& file, const TProblemSink& sink) override;
    TFigures Figures(const TKeptFile& file) override;
    std::unique_ptr<TKeyedRows> Rows(const TKeptFile& file, int keyNumber) override;
    std::vector<TFailure> Snapshot(const std::string& destination, bool sync) override;

private:
    std::string Location_;
    std::vector<TKeptFile> Files_;
};

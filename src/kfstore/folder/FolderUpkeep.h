#pragma once

#include "kfstore/StoreUpkeep.h"

#include <string>
#include <vector>

// The keeper's work on a database folder: the engine's checks of each file
// (TFileCheck), figures read inside one read transaction per file, copies
// taken while workstations keep working (TSnapshot).
class TFolderUpkeep : public TStoreUpkeep
{
public:
    TFolderUpkeep(std::string folder, TKeptFiles files);

    std::unique_ptr<TCheckedFile> Check(const TKeptFile& file, const TProblemSink& sink) override;
    TFigures Figures(const TKeptFile& file) override;
    std::unique_ptr<TKeyedRows> Rows(const TKeptFile& file, int keyNumber) override;
    std::vector<TFailure> Snapshot(const std::string& destination, bool sync) override;

private:
    std::string Folder_;
    std::vector<TKeptFile> Files_;
};

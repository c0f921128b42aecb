#include "kfstore/WriteBatch.h"

#include "kfstore/XIsamFile.h"

#include <utility>

TWriteBatch::TWriteBatch(TXIsamFile& file) : File_(file.BeginBatch() ? &file : nullptr) {}

TWriteBatch::~TWriteBatch()
{
    Commit();
}

bool TWriteBatch::Commit()
{
    TXIsamFile* file = std::exchange(File_, nullptr);
    return !file || file->EndBatch();
}

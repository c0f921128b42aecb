#include "kfstore/server/PgKeySource.h"

#include "kfstore/KeyOrder.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/server/PgChangeCounter.h"
#include "kfstore/server/PgConnection.h"
#include "kfstore/server/PgFileSchema.h"

// Columns of every query's rows: the version, then the record's key as
// given and its bytes (null when no record was found).
enum : int { kVersionColumn = 0, kIdColumn = 1, kRecordColumn = 2 };

TPgKeySource::TPgKeySource(TPgConnection& connection, TPgChangeCounter& counter, int32_t fileId, int keyNumber,
                           int recordSize)
    : Connection_(connection), Counter_(counter), FileId_(fileId), KeyNumber_(keyNumber), RecordSize_(recordSize)
{
}

std::optional<uint64_t> TPgKeySource::Counter()
{
    // Other workstations' notices come a moment after their commits. A read
    // that follows a pause (the user's next step, not the next row of a
    // walk) asks the server, so that it sees every commit that returned
    // before it began.
    const auto now = std::chrono::steady_clock::now();
    const bool paused = now - Asked_ >= kPause;
    Asked_ = now;
    if (paused) {
        const TPgResult result =
            Connection_.Exec("SELECT version FROM orbeko.kfs_files WHERE id = " + std::to_string(FileId_));
        if (!result.Ok() || result.Rows() == 0)
            return std::nullopt;
        Counter_.Saw(static_cast<uint64_t>(result.Int(0, 0)));
    }
    return Counter_.Read();
}

std::string TPgKeySource::Sql(int index, std::vector<TParameter>& parameters) const
{
    const bool primary = KeyNumber_ == 0;
    const std::string column = TPgFileSchema::Column(KeyNumber_);
    const auto next = [&](TParameter parameter) {
        parameters.push_back(parameter);
        std::string placeholder = "$";
        placeholder += std::to_string(parameters.size());
        return placeholder;
    };
    const auto after = [&](const char* comparison) {
        if (primary)
            return std::string("pk ") + comparison + " " + next(pValue);
        const std::string value = next(pValue);
        return "(" + column + ", pk) " + comparison + " (" + value + ", " + next(pPk) + ")";
    };
    const std::string ascending = primary ? "pk" : column + ", pk";
    const std::string descending = primary ? "pk DESC" : column + " DESC, pk DESC";
    std::string where;
    std::string order = ascending;
    switch (index) {
    case qNext:
        where = after(">");
        break;
    case qNextBelow:
        where = after(">");
        where += " AND " + column + " < " + next(pBound);
        break;
    case qNextUpTo:
        where = after(">");
        where += " AND " + column + " <= " + next(pBound);
        break;
    case qFrom:
        where = column + " >= " + next(pValue);
        break;
    case sPrevious:
        where = after("<");
        order = descending;
        break;
    default:
        order = descending;
        break;
    }
    const std::string limit = index == sPrevious || index == sLast ? "1" : next(pLimit);
    return "SELECT v.version, r.id, r.data FROM (SELECT version FROM orbeko.kfs_files WHERE id = " +
           std::to_string(FileId_) + ") v LEFT JOIN LATERAL (SELECT id, data FROM " + TPgFileSchema::Table(FileId_) +
           (where.empty() ? "" : " WHERE " + where) + " ORDER BY " + order + " LIMIT " + limit + ") r ON true";
}

const TPgKeySource::TPrepared* TPgKeySource::Statement(int index, int16_t& status)
{
    TPrepared& statement = Statements_[index];
    status = ksOk;
    if (statement.Generation != Connection_.Generation()) {
        statement.Parameters.clear();
        statement.Name = std::to_string(KeyNumber_) + '_' + std::to_string(index);
        statement.Name.insert(statement.Name.begin(), 'k');
        const std::string sql = Sql(index, statement.Parameters);
        status = Connection_.Prepare(statement.Name, sql, static_cast<int>(statement.Parameters.size()));
        if (status == ksOk)
            statement.Generation = Connection_.Generation();
    }
    return status == ksOk ? &statement : nullptr;
}

int16_t TPgKeySource::Run(int index, const TPlace& place, std::string_view bound, int limit, TReadAhead* readAhead,
                          std::optional<uint64_t>& snapshot, std::string* pk, std::string* record)
{
    int16_t status = ksOk;
    const TPrepared* statement = Statement(index, status);
    if (!statement)
        return status;
    const std::string value = FoldedKey(place.Value);
    const std::string placePk = FoldedKey(place.Pk);
    const std::string boundValue = FoldedKey(bound);
    TPgParams params;
    for (TParameter parameter : statement->Parameters) {
        switch (parameter) {
        case pValue:
            params.Bytes(value);
            break;
        case pPk:
            params.Bytes(placePk);
            break;
        case pBound:
            params.Bytes(boundValue);
            break;
        case pLimit:
            params.Number(limit);
            break;
        }
    }
    const TPgResult result = Connection_.ExecPrepared(statement->Name, params);
    if (!result.Ok())
        return Connection_.Status(result);
    if (result.Rows() == 0)
        return ksNotFound;  // the file's own row went: it was removed under the handle
    Asked_ = std::chrono::steady_clock::now();
    const auto version = static_cast<uint64_t>(result.Int(0, kVersionColumn));
    Counter_.Saw(version);
    snapshot = version;
    if (result.IsNull(0, kIdColumn))
        return readAhead ? ksOk : ksNotFound;
    for (int row = 0; row < result.Rows(); ++row) {
        const std::string_view data = result.Bytes(row, kRecordColumn);
        if (static_cast<int>(data.size()) != RecordSize_)
            return ksCorrupt;
        if (readAhead)
            readAhead->Append(result.Bytes(row, kIdColumn), data.data());
    }
    if (pk) {
        pk->assign(result.Bytes(0, kIdColumn));
        record->assign(result.Bytes(0, kRecordColumn));
    }
    return ksOk;
}

int16_t TPgKeySource::Fill(TQuery query, const TPlace& place, std::string_view bound, int limit, TReadAhead& readAhead,
                           std::optional<uint64_t>& snapshot)
{
    return Run(query, place, bound, limit, &readAhead, snapshot, nullptr, nullptr);
}

int16_t TPgKeySource::Previous(bool atEnd, const TPlace& place, std::string& pk, std::string& record)
{
    std::optional<uint64_t> snapshot;
    return Run(atEnd ? sLast : sPrevious, place, {}, 1, nullptr, snapshot, &pk, &record);
}

#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <string_view>

// One result of a PostgreSQL command, cleared with the object. Rows of
// commands with parameters come in binary form: byte strings as they are,
// integers as 8 bytes big-endian (the queries cast them to bigint); those of
// plain commands as text.
class TPgResult
{
public:
    TPgResult() = default;
    explicit TPgResult(PGresult* result) : Result_(result) {}
    ~TPgResult() { PQclear(Result_); }
    TPgResult(TPgResult&& other) noexcept : Result_(other.Result_) { other.Result_ = nullptr; }
    TPgResult& operator=(TPgResult&& other) noexcept
    {
        if (this != &other) {
            PQclear(Result_);
            Result_ = other.Result_;
            other.Result_ = nullptr;
        }
        return *this;
    }
    TPgResult(const TPgResult&) = delete;
    TPgResult& operator=(const TPgResult&) = delete;

    PGresult* Get() const { return Result_; }
    explicit operator bool() const { return Result_ != nullptr; }
    // The command ran (with or without rows).
    bool Ok() const
    {
        const ExecStatusType status = PQresultStatus(Result_);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    int Rows() const { return PQntuples(Result_); }
    // Rows the command changed.
    int64_t Changed() const;
    std::string_view Bytes(int row, int column) const
    {
        return {PQgetvalue(Result_, row, column), static_cast<std::size_t>(PQgetlength(Result_, row, column))};
    }
    bool IsNull(int row, int column) const { return PQgetisnull(Result_, row, column) != 0; }
    int64_t Int(int row, int column) const;
    // A boolean in either form: 't' as text, 1 as binary.
    bool Bool(int row, int column) const
    {
        const char value = *PQgetvalue(Result_, row, column);
        return value == 't' || value == 1;
    }
    // The SQLSTATE of a failed command, empty when it has none.
    std::string_view State() const;

private:
    PGresult* Result_ = nullptr;
};

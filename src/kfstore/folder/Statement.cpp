#include "kfstore/folder/Statement.h"

#include <sqlite3.h>

TStatement::~TStatement()
{
    sqlite3_finalize(Stmt_);
}

int TStatement::Prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_finalize(Stmt_);
    Stmt_ = nullptr;
    return sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()) + 1, SQLITE_PREPARE_PERSISTENT,
                              &Stmt_, nullptr);
}

int TStatement::ParameterCount() const
{
    return sqlite3_bind_parameter_count(Stmt_);
}

void TStatement::BindText(int index, std::string_view value)
{
    sqlite3_bind_text(Stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
}

void TStatement::BindBlob(int index, const void* data, int size)
{
    sqlite3_bind_blob(Stmt_, index, data, size, SQLITE_STATIC);
}

void TStatement::BindInt(int index, int64_t value)
{
    sqlite3_bind_int64(Stmt_, index, value);
}

int TStatement::Step()
{
    return sqlite3_step(Stmt_);
}

void TStatement::Reset()
{
    sqlite3_reset(Stmt_);
}

std::string_view TStatement::ColumnText(int index) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt_, index));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(Stmt_, index)))
                : std::string_view();
}

const void* TStatement::ColumnBlob(int index) const
{
    return sqlite3_column_blob(Stmt_, index);
}

int TStatement::ColumnBytes(int index) const
{
    return sqlite3_column_bytes(Stmt_, index);
}

int64_t TStatement::ColumnInt(int index) const
{
    return sqlite3_column_int64(Stmt_, index);
}

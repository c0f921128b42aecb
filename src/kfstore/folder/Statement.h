#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalized with the object. Texts and
// blobs are bound without copying: they must stay alive until the
// statement is reset, which every caller does before it returns (TReset).
class TStatement
{
public:
    TStatement() = default;
    ~TStatement();
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    // SQLite result code.
    int Prepare(sqlite3* db, const std::string& sql);
    bool Prepared() const { return Stmt_ != nullptr; }
    // The highest parameter number in the statement's text.
    int ParameterCount() const;

    void BindText(int index, std::string_view value);
    void BindBlob(int index, const void* data, int size);
    void BindInt(int index, int64_t value);

    int Step();
    void Reset();

    std::string_view ColumnText(int index) const;
    const void* ColumnBlob(int index) const;
    int ColumnBytes(int index) const;
    int64_t ColumnInt(int index) const;

    // Resets the statement when the scope ends, so no read statement is
    // left open between calls: an open one would hold the file's shared
    // lock and keep every other workstation from writing.
    class TReset
    {
    public:
        explicit TReset(TStatement& statement) : Statement_(statement) {}
        ~TReset() { Statement_.Reset(); }
        TReset(const TReset&) = delete;
        TReset& operator=(const TReset&) = delete;

    private:
        TStatement& Statement_;
    };

private:
    sqlite3_stmt* Stmt_ = nullptr;
};

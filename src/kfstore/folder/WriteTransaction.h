#pragma once

class TConnection;

// A write transaction that takes the file's write lock at its start
// (BEGIN IMMEDIATE), so what it reads cannot change before it commits.
// Rolled back when the scope ends without Commit.
class TWriteTransaction
{
public:
    explicit TWriteTransaction(TConnection& connection);
    ~TWriteTransaction();
    TWriteTransaction(const TWriteTransaction&) = delete;
    TWriteTransaction& operator=(const TWriteTransaction&) = delete;

    // SQLite result code of BEGIN.
    int BeginResult() const { return BeginResult_; }
    // SQLite result code of COMMIT; on failure the destructor rolls back.
    int Commit();

private:
    TConnection& Connection_;
    int BeginResult_;
    bool Open_ = false;
};

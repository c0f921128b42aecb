#pragma once

class TConnection;

// A read transaction that holds the file's shared lock from its start to
// the end of the scope, so everything read inside it is one moment of the
// file: no other connection can commit meanwhile (its writers wait, for at
// most the busy timeout).
class TReadTransaction
{
public:
    explicit TReadTransaction(TConnection& connection);
    ~TReadTransaction();
    TReadTransaction(const TReadTransaction&) = delete;
    TReadTransaction& operator=(const TReadTransaction&) = delete;

    // SQLite result code of taking the shared lock.
    int BeginResult() const { return BeginResult_; }

private:
    TConnection& Connection_;
    int BeginResult_;
};

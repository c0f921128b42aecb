#pragma once

#include "kfstore/XIsamFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Reads that tell the end of the data and a missing record from a read that
// failed. A failed read (a busy, damaged or vanished file) raises EOrbekoDB
// with the file's StatusText, so it never passes for a shorter list or for
// "no such record".
//
//     TUserRec user;
//     TKeyWalk walk = TKeyWalk::All(db.UserFile, TOrbekoDB::UserIdKey);
//     while (walk.Next(user))
//         list.AddItem(FieldString(user.FullName), IdValue(walk.Id()));
//
//     if (!FindRecord(db.UserFile, user, TOrbekoDB::UserNameKey, name))
//         ...no user of that name...

// GetEqual: true when found, false only when no record has that key value.
bool FindRecord(TXIsamFile& file, void* record, std::size_t size, int16_t keyNumber, const std::string& value);
template <class R> bool FindRecord(TXIsamFile& file, R& record, int16_t keyNumber, const std::string& value)
{
    return FindRecord(file, &record, sizeof(R), keyNumber, value);
}

// One walk along a key of a keyed file, record by record into the caller's
// buffer. Next is false only once the walk has reached the end of the data
// (or of the range); any other failure raises.
class TKeyWalk
{
public:
    // Every record in the order of the key.
    static TKeyWalk All(TXIsamFile& file, int16_t keyNumber);
    // The records whose key is first or follows it, while the condition
    // holds against limit: GetEqual on first, then GetNext.
    static TKeyWalk From(TXIsamFile& file, int16_t keyNumber, std::string first, std::string limit,
                         TGetCondition condition);
    // The records whose key begins with prefix.
    static TKeyWalk Prefix(TXIsamFile& file, int16_t keyNumber, const std::string& prefix);

    bool Next(void* record, std::size_t size);
    template <class R> bool Next(R& record) { return Next(&record, sizeof(R)); }

    // The identifier of the record Next read last.
    const std::string& Id() const { return File_.LastKey(); }

private:
    enum class TStart { Top, Equal, Done };

    TKeyWalk(TXIsamFile& file, int16_t keyNumber, TStart start, std::string first, std::string limit,
             TGetCondition condition);

    TXIsamFile& File_;
    const int16_t KeyNumber_;
    TStart Start_;
    const std::string First_;
    const std::string Limit_;
    const TGetCondition Condition_;
};

#include "storage/KeyWalk.h"

#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"

namespace {

// A read that did not succeed: fine when it found nothing, raised otherwise.
bool NotFound(const TXIsamFile& file)
{
    if (file.Status() != ksNotFound)
        throw EOrbekoDB(file.StatusText());
    return false;
}

}  // namespace

bool FindRecord(TXIsamFile& file, void* record, std::size_t size, int16_t keyNumber, const std::string& value)
{
    return file.GetEqual(record, size, keyNumber, value) || NotFound(file);
}

TKeyWalk::TKeyWalk(TXIsamFile& file, int16_t keyNumber, TStart start, std::string first, std::string limit,
                   TGetCondition condition)
    : File_(file), KeyNumber_(keyNumber), Start_(start), First_(std::move(first)), Limit_(std::move(limit)),
      Condition_(condition)
{
}

TKeyWalk TKeyWalk::All(TXIsamFile& file, int16_t keyNumber)
{
    return TKeyWalk(file, keyNumber, TStart::Top, {}, {}, gcAny);
}

TKeyWalk TKeyWalk::From(TXIsamFile& file, int16_t keyNumber, std::string first, std::string limit,
                        TGetCondition condition)
{
    return TKeyWalk(file, keyNumber, TStart::Equal, std::move(first), std::move(limit), condition);
}

TKeyWalk TKeyWalk::Prefix(TXIsamFile& file, int16_t keyNumber, const std::string& prefix)
{
    return From(file, keyNumber, prefix, prefix, gcPrefix);
}

bool TKeyWalk::Next(void* record, std::size_t size)
{
    switch (Start_) {
    case TStart::Top:
        Start_ = TStart::Done;
        // A failed GoTop would leave the walk wherever an earlier read ended.
        if (!File_.GoTop(KeyNumber_))
            throw EOrbekoDB(File_.StatusText());
        break;
    case TStart::Equal:
        Start_ = TStart::Done;
        if (FindRecord(File_, record, size, KeyNumber_, First_))
            return true;
        break;
    case TStart::Done:
        break;
    }
    return File_.GetNext(record, size, KeyNumber_, Limit_, Condition_) || NotFound(File_);
}

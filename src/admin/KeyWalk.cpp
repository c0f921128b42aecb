#include "admin/KeyWalk.h"

#include "storage/KfsStatus.h"
#include "storage/Records.h"
#include "storage/XIsamFile.h"

#include <stdexcept>

TKeyWalk::TKeyWalk(TXIsamFile& file, int16_t keyNumber, std::size_t recordSize, std::size_t keyOffset,
                   std::size_t keyWidth)
    : File_(file), KeyNumber_(keyNumber), RecordSize_(recordSize), KeyOffset_(keyOffset), KeyWidth_(keyWidth)
{
}

void TKeyWalk::Restart()
{
    Started_ = false;
    Positioned_ = false;
    LastValue_.clear();
    LastPk_.clear();
}

bool TKeyWalk::Read(void* record)
{
    if (!Positioned_) {
        Positioned_ = true;
        if (!Started_) {
            Started_ = true;
            if (!File_.GoTop(KeyNumber_))
                throw std::runtime_error(File_.StatusText());
        } else if (Reposition(record)) {
            return true;
        }
    }
    while (File_.GetNext(record, RecordSize_, KeyNumber_, "", gcAny))
        if (Keep(record))
            return true;
    if (File_.Status() != ksNotFound)
        throw std::runtime_error(File_.StatusText());
    return false;
}

// Records with equal key values come in identifier order, so the walk goes
// on with the first one that is past the last record read in that order.
bool TKeyWalk::Reposition(void* record)
{
    if (File_.GetEqual(record, RecordSize_, KeyNumber_, LastValue_))
        return Keep(record);
    if (File_.Status() != ksNotFound)
        throw std::runtime_error(File_.StatusText());
    return false;
}

bool TKeyWalk::Keep(const void* record)
{
    const std::string value = KeyOf(record);
    const std::string& pk = File_.LastKey();
    if (!LastPk_.empty() && value == LastValue_ && pk <= LastPk_)
        return false;
    LastValue_ = value;
    LastPk_ = pk;
    return true;
}

std::string TKeyWalk::KeyOf(const void* record) const
{
    return FieldText(static_cast<const char*>(record) + KeyOffset_, KeyWidth_);
}

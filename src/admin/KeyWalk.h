#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TXIsamFile;

// Reads a whole keyed file in the order of one key, a part at a time. The
// file's read position may be moved by other readers between the parts
// (the main window reloads its view while a dialog is open), so each part
// after the first finds its way back to the record after the last one it
// read, even when that record has since been changed or deleted.
class TKeyWalk
{
public:
    // keyOffset and keyWidth: where the key's field lies in the record.
    TKeyWalk(TXIsamFile& file, int16_t keyNumber, std::size_t recordSize, std::size_t keyOffset,
             std::size_t keyWidth);

    // Back to before the first record.
    void Restart();
    // Other readers may use the file until the next Read.
    void Pause() { Positioned_ = false; }
    // The next record into record (recordSize bytes); false at the end of
    // the file. A failed read throws std::runtime_error with its status.
    bool Read(void* record);
    // The identifier of the record Read returned last.
    const std::string& LastKey() const { return LastPk_; }

private:
    bool Reposition(void* record);
    bool Keep(const void* record);
    std::string KeyOf(const void* record) const;

    TXIsamFile& File_;
    const int16_t KeyNumber_;
    const std::size_t RecordSize_;
    const std::size_t KeyOffset_;
    const std::size_t KeyWidth_;
    bool Started_ = false;
    bool Positioned_ = false;
    std::string LastValue_;
    std::string LastPk_;
};

#pragma once

// The keyed-file store: the sixteen entry points TXIsamFile calls. Every
// argument is passed by address; every call returns a status (ks...),
// 0 on success. Texts handed back are written into the caller's strings,
// which own them. The calls may come from any thread; they run one at a time.

#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"

#include <cstdint>
#include <string>

// Filled by KfsInfo; 32 bytes. The texts the original record carried at
// offsets 24 and 28 are not handed out.
struct TIsamInfoRec
{
    int32_t RecordCount;   // offset 0
    int32_t Reserved1;
    int16_t KeyLength;     // offset 8
    char Reserved2[22];
};
static_assert(sizeof(TIsamInfoRec) == 32);

// Starts the engine: 0, or 12 when it cannot start.
int16_t KfsStartup();

// Files are named by a path, or on a PostgreSQL server by the connection
// string, '#' and the file's name (StoreLocation).
// Makes a new, empty file (it is not opened). The 32-bit and two 16-bit
// arguments in the middle are reserved and not looked at.
int16_t KfsCreate(const char* fileName, const int16_t* keyLength, const int32_t* reserved1, const int16_t* reserved2,
                  const int16_t* reserved3, const char* keyFormat);
// openMode must be koShared or koExclusive.
int16_t KfsOpen(const char* fileName, const int16_t* reserved, const int16_t* openMode, int32_t* handle);
int16_t KfsClose(const int32_t* handle);
// keyText receives the record's value in keyNumber (null: not wanted),
// primaryKey its primary key; both are emptied when the read fails. record must hold *recordSize
// bytes, the file's record size (not looked at for kmPreviousKey).
int16_t KfsGet(const int32_t* handle, const int16_t* keyNumber, const int16_t* readMode, const char* keyValue,
               std::string* keyText, std::string* primaryKey, void* record, const int32_t* recordSize);
// kpAdd with an empty primaryKey stores the record under the highest key
// plus one and hands that key back in primaryKey.
int16_t KfsPut(const int32_t* handle, std::string* primaryKey, const void* record, const int32_t* recordSize,
               const int16_t* putMode);
int16_t KfsDelete(const int32_t* handle, const char* primaryKey);
int16_t KfsBOF(const int32_t* handle, const int16_t* keyNumber);
int16_t KfsEOF(const int32_t* handle, const int16_t* keyNumber);
int16_t KfsInfo(const int32_t* handle, TIsamInfoRec* info);
int16_t KfsLock(const int32_t* handle, const char* primaryKey);
int16_t KfsUnlock(const int32_t* handle, const char* primaryKey);
// Removes a file that no handle anywhere has open (else 9).
int16_t KfsKill(const char* fileName);
// The change counter of a file that a handle of this process has open,
// raised by every change any workstation commits: what the caches watch.
// 1 when no handle has it open.
int16_t KfsChangeCounter(const char* fileName, uint64_t* counter);
// A free text kept inside the file, at most TKeyedFile::kMaxNote bytes.
int16_t KfsReadNote(const int32_t* handle, std::string* note);
int16_t KfsWriteNote(const int32_t* handle, const char* note);
// Between these a handle's writes share commits (see TKeyedFile::BeginBatch);
// records it unlocks stay locked until their writes are committed.
int16_t KfsBeginBatch(const int32_t* handle);
int16_t KfsEndBatch(const int32_t* handle);

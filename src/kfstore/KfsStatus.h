#pragma once

#include <cstdint>
#include <string>

// Status codes the keyed-file store gives; 0 is success. KfsStatusText
// holds the texts of the whole table, including codes the store never gives.
constexpr int16_t ksOk = 0;
constexpr int16_t ksNotFound = 1;
constexpr int16_t ksUpdateMode = 2;
constexpr int16_t ksBusy = 3;
constexpr int16_t ksBadHandle = 4;
constexpr int16_t ksBadFormat = 5;
constexpr int16_t ksIllegalKey = 6;
constexpr int16_t ksBadParameter = 7;
constexpr int16_t ksNotIsam = 8;
constexpr int16_t ksNameInUse = 9;
constexpr int16_t ksNoNoteSpace = 10;
constexpr int16_t ksDiskFull = 11;
constexpr int16_t ksNoMemory = 12;
constexpr int16_t ksOsFailure = 13;
constexpr int16_t ksIoError = 14;
constexpr int16_t ksCorrupt = 15;
constexpr int16_t ksNoHandles = 18;
constexpr int16_t ksLocked = 19;
constexpr int16_t ksNoFunction = 21;
constexpr int16_t ksInterrupted = 22;
constexpr int16_t ksAlreadyOpen = 23;
// Beyond the table: a keyed file's lock file went while other handles
// still have the file open, so a new handle could only lock alone.
constexpr int16_t ksLocksGone = 24;
// An empty-key add to a file whose every key of digits of the full key
// length is in use.
constexpr int16_t ksKeysFull = 25;

// The store's words for a status, as messages show them.
std::string KfsStatusText(int16_t status);

// The status for an errno value of a failed file-system call.
int16_t StatusFromErrno(int error);

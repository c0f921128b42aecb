#pragma once

#include <cstdint>

// Read modes of KfsGet.
constexpr int16_t kmGetEqual = 0x1011;      // the first record whose key equals the value
constexpr int16_t kmGetNext = 0x1002;       // plus a condition: the record after the position
constexpr int16_t kmPreviousKey = 0x2004;   // the key only of the record before the position

// Conditions added to kmGetNext.
constexpr int16_t kcAny = 16;
constexpr int16_t kcPrefix = 64;
constexpr int16_t kcBelow = 256;
constexpr int16_t kcUpTo = 1024;

// Put modes of KfsPut.
constexpr int16_t kpAdd = 1;
constexpr int16_t kpRewrite = 2;

// The open modes of KfsOpen: reading and writing, shared with every other
// handle in this and other processes; or alone, refused (9) while any other
// handle has the file open and keeping every other handle out meanwhile,
// for the administrator's tool.
constexpr int16_t koShared = 3;
constexpr int16_t koExclusive = 4;

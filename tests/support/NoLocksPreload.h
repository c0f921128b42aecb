#pragma once

#include "support/EnvOverride.h"

#include <QByteArray>

// While it lives, child processes start with the library that makes their
// locks exclude nothing (support/NoLocks.cpp) preloaded.
class TNoLocksPreload
{
public:
    TNoLocksPreload() = default;

private:
    TEnvOverride Preload_{"LD_PRELOAD", QByteArray(ORBEKO_NOLOCKS_LIBRARY)};
    // A sanitizer build wants its own runtime first in the list.
    TEnvOverride Sanitizer_{"ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":verify_asan_link_order=0"};
};

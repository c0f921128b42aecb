#pragma once

#include <string>

// Proves with two processes that record locks in a folder exclude: on a
// scratch lock file there, this process locks one record and a child
// process (its own open file) must be refused it; the child locks another
// record, which this process must be refused while the child lives and be
// given once the child has been killed. Uses the store's own lock file, so
// it tests exactly the locks the workstations take.
class TLockTest
{
public:
    struct TResult
    {
        bool Ran = false;          // false: the test itself could not run (Error says why)
        bool Excludes = false;     // each process was refused the other's lock
        bool FreedOnDeath = false; // a killed holder's lock was given to the other
        std::string Error;
    };

    static TResult Run(const std::string& folder);
};

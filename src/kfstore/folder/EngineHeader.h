#pragma once

#include <string>

// The engine's header at the start of a keyed file, read as the engine
// reads it when it opens the file: the few fields by which it would take
// a file it can read for one it may not write, or a file that was cut
// short for one that is merely damaged somewhere.
class TEngineHeader
{
public:
    // What is wrong with the header of the file open as fd, as a text to
    // report; empty when nothing is. Reads through fd with pread, so no
    // descriptor of the file is opened or closed (closing one drops the
    // engine's locks on the file).
    static std::string Problem(int fd);
};

#pragma once

#include <functional>
#include <string>

// One thing wrong in a database folder: the file, the record's identifier
// (empty for the file as a whole) and what is wrong.
struct TProblem
{
    std::string File;
    std::string Record;
    std::string Text;
};

using TProblemSink = std::function<void(const TProblem&)>;

#pragma once

#include <string>

class TOrbekoDB;

// The database a failed command's message describes below the failure's
// own words: the main window names its own while it is connected, so that
// a status such as "Update mode violation" comes with the folder and what
// the system says of it. One at a time; the scope that named it clears it.
class TFailureNote
{
public:
    explicit TFailureNote(const TOrbekoDB& db);
    ~TFailureNote();
    TFailureNote(const TFailureNote&) = delete;
    TFailureNote& operator=(const TFailureNote&) = delete;

    // message, with the named database's diagnosis below it when there is one.
    static std::string Explain(const std::string& message);

private:
    const TOrbekoDB* Former_;
};

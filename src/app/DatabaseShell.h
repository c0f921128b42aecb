#pragma once

#include "storage/OrbekoDB.h"

#include <memory>

// Answers a connection's questions with the program's message box and
// folder prompt.
class TDatabaseShell : public TOrbekoDBShell
{
public:
    void Warn(const std::string& text) override;
    bool AskFolder(const std::string& caption, std::string& folder) override;
    bool Confirm(const std::string& text) override;

    // The start-up's connection. A folder that cannot be opened (a share
    // not mounted, a folder moved, files missing) is not the end of the
    // program: the user may choose another folder, try again once he has
    // mended the cause, or exit, which gives null (he has seen why).
    std::unique_ptr<TOrbekoDB> Connect();
};

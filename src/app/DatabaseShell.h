#pragma once

#include "storage/OrbekoDB.h"

// Answers a connection's questions with the program's message box and
// folder prompt.
class TDatabaseShell : public TOrbekoDBShell
{
public:
    void Warn(const std::string& text) override;
    bool AskFolder(const std::string& caption, std::string& folder) override;
};

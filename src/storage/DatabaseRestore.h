#pragma once

#include <string>

// A database folder put back from a backup, only when the backup passes
// the check, and an interrupted restore finished (see TRestore).
namespace DatabaseRestore {

// Throws ERestoreRefused, or std::runtime_error when a step fails.
void Run(const std::string& backup, const std::string& folder);
// False when there was no interrupted restore to finish.
bool Finish(const std::string& folder);

}  // namespace DatabaseRestore

#pragma once

#include <string>

// Says in words why a database folder or one of its files cannot be used,
// as the operating system sees it, and what the person at the workstation
// can do about it. The keyed-file status alone ("File not found", "Update
// mode violation") names neither the place nor the cause.
class TFolderDiagnosis
{
public:
    // Looks at the folder and, when given, the file in it; empty when
    // nothing wrong can be seen from here.
    static std::string Describe(const std::string& folder, const std::string& file = {});

    // Whether this account may change the file and make journals beside it.
    static bool Writable(const std::string& folder, const std::string& file);

    // Why the folder cannot be read now, in words ("no longer there",
    // "Permission denied"); empty while it can. A folder renamed away is
    // still read through the files open in it: only this tells.
    static std::string Unreachable(const std::string& folder);

    // The message a failure shows: the headline, then the diagnosis on
    // lines of its own when there is one.
    static std::string Explain(const std::string& headline, const std::string& folder,
                               const std::string& file = {});
};

#pragma once

#include <ostream>
#include <string>
#include <vector>

// The orbeko-admin command line: one verb with its arguments, run against
// a database folder, reporting on out and failures on err. The exit status
// is 0 when all is well, 1 when problems were found or the verb was refused,
// 2 when the folder could not be read or the command line is wrong.
class TAdminCommand
{
public:
    static constexpr int kOk = 0;
    static constexpr int kProblems = 1;
    static constexpr int kFailed = 2;

    TAdminCommand(std::ostream& out, std::ostream& err) : Out_(out), Err_(err) {}

    // args without the program's name.
    int Run(const std::vector<std::string>& args);

private:
    int Check(const std::vector<std::string>& args);
    int Backup(const std::vector<std::string>& args);
    int Restore(const std::vector<std::string>& args);
    int LockTest(const std::vector<std::string>& args);
    int Stats(const std::vector<std::string>& args);
    int ExportIcs(const std::vector<std::string>& args);
    int ImportIcs(const std::vector<std::string>& args);
    int Copy(const std::vector<std::string>& args);
    int Create(const std::vector<std::string>& args);
    // The first thing of a database that location holds (a file, a
    // journal, a lock file, a restore's staging folder); empty when none.
    // Throws std::runtime_error when a server cannot be reached.
    std::string DiaryThing(const std::string& location);
    // True for a folder; for a server false, after saying what serves instead.
    bool FolderOnly(const std::string& verb, const std::string& location, const char* instead);
    // False (after saying why) unless folder is a readable folder, or a
    // server, holding at least one of the four files (the details file
    // alone is none).
    bool ReadableDatabase(const std::string& folder);
    int Usage(const std::string& verb);

    std::ostream& Out_;
    std::ostream& Err_;
};

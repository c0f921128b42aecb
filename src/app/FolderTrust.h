#pragma once

#include <chrono>
#include <memory>
#include <string>

class TPresence;
class TStorePresence;

// Whether this workstation may share its database folder with others. When
// the folder is opened it runs the folder self-test (lock test, mount
// options, interrupted restore) and joins the presence file, whose other
// workstations must all have locks this one can see; while the program
// runs it writes this workstation's heartbeat there. A database on a server
// needs none of this: its record locks are the server's; there the
// workstation only joins the server's presence table. Either way the other
// workstations learn who is logged in here.
class TFolderTrust
{
public:
    // beatInterval: how often Beat will be called.
    explicit TFolderTrust(std::chrono::milliseconds beatInterval);
    ~TFolderTrust();
    TFolderTrust(const TFolderTrust&) = delete;
    TFolderTrust& operator=(const TFolderTrust&) = delete;

    // False, after an error message that says why sharing the folder would
    // lose data, when its locks do not keep workstations apart; a risk
    // that only may lose locks (a lease) is shown as a warning.
    bool Open(const std::string& folder);
    // The heartbeat of this workstation.
    void Beat();
    // Tells the other workstations who is logged in here now.
    void LoggedIn(const std::string& userId, const std::string& userName);

private:
    std::chrono::milliseconds Interval_;
    std::unique_ptr<TPresence> Presence_;
    std::unique_ptr<TStorePresence> ServerPresence_;
};

#pragma once

#include <string>

// The diary's server or folder while the ten-second tick cannot reach it:
// the user is told once, with the server or folder and the cause, and not
// again at every tick, until a tick goes through again.
class TDiaryOutage
{
public:
    // location: the database's, as the workstation keeps it.
    explicit TDiaryOutage(std::string location) : Location_(std::move(location)) {}

    // Before a tick reads: true when the folder is out of reach, which is
    // then told (the first time only). A folder renamed away still reads
    // through the files open in it, so its tick would not fail; a server
    // is only asked once a tick failed.
    bool Away();
    // A tick failed. True when the failure is the server or folder being
    // out of reach, which is then told (the first time only); false for any
    // other failure, which the caller reports as before.
    bool Failed();
    // A tick went through.
    void Reached() { Out_ = false; }
    // Since a tick found the diary out of reach, none has gone through.
    bool Out() const { return Out_; }

    // The message for a cause in words.
    std::string Message(const std::string& cause) const;

private:
    bool Told(const std::string& cause);

    const std::string Location_;
    bool Out_ = false;
};

#pragma once

#include <string>

// The diary's server while the ten-second tick cannot reach it: the user is
// told once, with the server's name and the cause, and not again at every
// tick, until a tick goes through again.
class TServerOutage
{
public:
    // location: the database's, as the workstation keeps it.
    explicit TServerOutage(std::string location) : Location_(std::move(location)) {}

    // A tick failed. True when the failure is the server being out of
    // reach, which is then told (the first time only); false for any other
    // failure, which the caller reports as before.
    bool Failed();
    // A tick went through.
    void Reached() { Out_ = false; }
    // Since a tick found the server out of reach, none has gone through.
    bool Out() const { return Out_; }

    // The message for a cause in words.
    std::string Message(const std::string& cause) const;

private:
    const std::string Location_;
    bool Out_ = false;
};

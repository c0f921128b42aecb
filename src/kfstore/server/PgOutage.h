#pragma once

#include <chrono>
#include <string>

// What this process knows of the servers it cannot reach now, by location
// (the connection string its handles were given): the cause in words, and,
// for one that did not answer at all, until when it is not asked again.
// Every connection of the process posts here, so that one handle that
// waited for a silent server spares the others the same wait, and the
// program can say why its diary is out of reach.
class TPgOutage
{
public:
    // The server at location could not be reached, or the connection to it
    // broke; one that did not answer within its time is left alone for rest.
    static void Failed(const std::string& location, const std::string& cause,
                       std::chrono::milliseconds rest = std::chrono::milliseconds::zero());
    // A connection to it was made.
    static void Reached(const std::string& location);
    // Why it cannot be reached; empty when the last try reached it.
    static std::string Cause(const std::string& location);
    // True, with the cause, while a server that did not answer rests.
    static bool Resting(const std::string& location, std::string& cause);
};

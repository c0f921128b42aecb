#pragma once

#include <string>
#include <vector>

class TOrbekoDB;

// Deletes one category after taking it off every event that carries it.
// Each event is changed as it is stored at the moment its lock is taken,
// so a change another workstation saved after the scan read it is kept.
class TCategoryDeletion
{
public:
    TCategoryDeletion(TOrbekoDB& db, std::string categoryId);

    // The whole deletion: Uncategorise(CarryingEvents()), then the category.
    void Run() const;

    // Identifiers of the events that carry the category, in identifier
    // order. A failed read throws std::runtime_error with its status text.
    std::vector<std::string> CarryingEvents() const;

    // Takes the category off each of these events that still carries it
    // once locked; an event deleted meanwhile is passed over. Stops at an
    // event locked elsewhere with "Unable to complete deletion. Another
    // user has locked the database", keeping what was changed so far.
    void Uncategorise(const std::vector<std::string>& eventIds) const;

private:
    void Uncategorise(const std::string& eventId) const;

    TOrbekoDB& Db_;
    const std::string CategoryId_;
};

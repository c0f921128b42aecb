#pragma once

#include "storage/OrbekoDB.h"

#include <QDateTime>

#include <cstdint>
#include <string>
#include <vector>

// Writes records straight into a database, as another workstation would.
// Each call gives the new record's identifier; a refused add fails the test.
class TDiaryRecords
{
public:
    explicit TDiaryRecords(TOrbekoDB& db) : Db_(db) {}

    std::string User(const std::string& userName, const std::string& fullName, const std::string& abbreviation,
                     int32_t flags = 0, const std::string& password = "");
    std::string Category(const std::string& description);
    // Owned by owner and assigned to assignees, in the first slots. An event
    // without a stamp is a second earlier than the one before it, so that
    // time order is not identifier order.
    std::string Event(const std::string& stamp, const std::string& owner, const std::vector<std::string>& assignees,
                      const std::string& description, int32_t flags = 0, const std::string& category = kNoneId);
    // Due at the stamp given, else now.
    std::string Alarm(const std::string& entry, const std::string& user, const std::string& due = "",
                      int32_t flags = afAlarmed);

private:
    TOrbekoDB& Db_;
    int64_t NextStamp_ = 1700000000;
};

// The stamp stored for a local date and time.
std::string StampOf(const QDateTime& when);

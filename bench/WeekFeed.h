#pragma once

// One week of the main window fed from a database of 1,000,000 events, as
// the views ask for it when they draw, without the painting: shared by the
// benchmarks of a folder and of a server.

#include "EventsFixture.h"

#include <string>

class TOrbekoDB;
class TViewFeeder;

constexpr int kWeekEvents = 1000000;
constexpr int kWeekUsers = 12;
constexpr int kWeekCategories = 7;
// A Monday in the middle of the ten years.
constexpr int kWeekStart = kFirstDay + 1820 * kDaySeconds + 4 * kDaySeconds;

// Users 1 to 12, categories 1 to 7, and an alarm on every tenth entry of the
// measured week, added once to a database whose events are there.
bool PrepareWeek(TOrbekoDB& db);

// A database folder whose day entries are the shared 1,000,000-event
// fixture (a link to it), beside the other three files, prepared as above.
bool PrepareWeekFolder(const std::string& folder);

// Seven day reads, the alarm flag of every listed entry and the name and
// category lookups its row needs; the number of listed entries.
int FeedWeek(TViewFeeder& feeder);
// The same for that many days from the week's Monday: 42 for a month view.
int FeedDays(TViewFeeder& feeder, int days);

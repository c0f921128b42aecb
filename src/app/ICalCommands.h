#pragma once

#include <QDate>
#include <QString>

#include <string>

class QWidget;
class TOrbekoDB;
class TfrmDateRange;
struct TEventUser;

// File > Export to iCalendar... and File > Import iCalendar... as the user
// runs them: the range and file prompts, the file itself and the messages
// around TICalExport and TICalImport. A cancelled prompt changes nothing.
class TICalCommands
{
public:
    TICalCommands(TOrbekoDB& db, TfrmDateRange& range, QWidget* parent) : Db_(db), Range_(range), Parent_(parent) {}

    // Writes the events the user may see in his views, with his alarms, over
    // a range that starts as from..to.
    void RunExport(const TEventUser& user, QDate from, QDate to);

    // Reads a file into the diary as events of the user, recurring ones
    // repeated over a range that starts as from..to, and shows what came of
    // it. True when events were added.
    bool RunImport(const std::string& userId, QDate from, QDate to);

    static constexpr const char* ExportCaption = "Export to iCalendar";
    static constexpr const char* ImportCaption = "Import iCalendar";
    static constexpr const char* FileFilter = "iCalendar files (*.ics);;All files (*)";

private:
    TOrbekoDB& Db_;
    TfrmDateRange& Range_;
    QWidget* Parent_;
};

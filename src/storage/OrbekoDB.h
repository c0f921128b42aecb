#pragma once

#include "storage/DetailFile.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "kfstore/XIsamFile.h"

#include <stdexcept>
#include <string>

// A connection that could not be built, or a file that could not be reopened.
class EOrbekoDB : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What a connection needs from the application shell when the workstation
// does not know its database folder yet.
class TOrbekoDBShell
{
public:
    virtual ~TOrbekoDBShell() = default;
    virtual void Warn(const std::string& text) = 0;
    // The folder the user chose, or false when he cancelled. The prompt may
    // create a new folder.
    virtual bool AskFolder(const std::string& caption, std::string& folder) = 0;
    // A question answered Yes (true) or No.
    virtual bool Confirm(const std::string& text) = 0;
};

// One connection to the shared database: the four keyed files, open, in a
// folder or on a PostgreSQL server (the location is then a connection string).
// It is built whole or not at all; a failure raises EOrbekoDB and closes
// whatever had been opened. A folder holding some of the four files but not
// all is refused, and one holding none is made a database only when the
// user says so: an unmounted share or a lost file must never turn quietly
// into a fresh, empty diary.
class TOrbekoDB
{
public:
    explicit TOrbekoDB(TOrbekoDBShell& shell);
    // A connection to the given folder or server, without the registry: the
    // administrator's tool names the database it works on.
    TOrbekoDB(TOrbekoDBShell& shell, const std::string& location);
    TOrbekoDB(const TOrbekoDB&) = delete;
    TOrbekoDB& operator=(const TOrbekoDB&) = delete;

    static constexpr const char* UserFileName = "OBUsers.Ism";
    static constexpr const char* AlarmFileName = "OBAlarms.Ism";
    static constexpr const char* CategoryFileName = "OBCat.Ism";
    static constexpr const char* DayEntryFileName = "OBDayEnt.Ism";
    // Each file's key format and the keys it is read by: segment N of the
    // format is key number N, and key 0 is always the record's identifier.
    static constexpr const char* UserKeyFormat = "&,$*31,X$*11,$*11,$*11";
    static constexpr int16_t UserIdKey = 0;
    static constexpr int16_t UserNameKey = 3;
    static constexpr const char* AlarmKeyFormat = "&,X$*11,X$*11,$*11,X$*21";
    static constexpr int16_t AlarmIdKey = 0;
    static constexpr int16_t AlarmStampKey = 2;
    static constexpr int16_t AlarmEntryKey = 3;
    static constexpr int16_t AlarmUserKey = 5;  // UserAlarmKey: one user's alarms in due order
    static constexpr const char* CategoryKeyFormat = "X$*31";
    static constexpr int16_t CategoryIdKey = 0;
    static constexpr int16_t CategoryDescriptionKey = 1;
    static constexpr const char* DayEntryKeyFormat = "&,%,X$*11,$*11,$*11,$*255,R20$*11";
    static constexpr int16_t DayEntryIdKey = 0;
    static constexpr int16_t DayEntryStampKey = 3;

    TStamp Stamp;
    std::string RootPath;  // a folder, always ending in '/', or a connection string
    TXIsamFile UserFile;
    TXIsamFile AlarmFile;
    TXIsamFile CategoryFile;
    TXIsamFile DayEntryFile;
    // What the four files have no field for; made on its first write.
    TDetailFile Details;

    // Closes and reopens the users and then the categories file, so that
    // changes made by the administration dialogs are seen.
    void Reopen();
    // The name of one of the database's files (UserFileName...).
    std::string FilePath(const std::string& name) const;

    // A failure's message while the program runs, with what the folder and
    // its files show of the cause below it; as given on a server, whose
    // messages say their own.
    std::string Diagnosed(const std::string& message) const;

    void InitUser(TUserRec& record) const;
    void InitAlarm(TAlarmRec& record);
    void InitDayEntry(TDayEntryRec& record) const;
    // Adds alarm, as given, once for each assignee of the entry. A failed
    // add throws the alarms file's status text; those before it stay.
    void AddAssigneeAlarms(const TDayEntryRec& entry, const std::string& entryId, TAlarmRec alarm);

private:
    struct TFileSpec;
    static const TFileSpec kFiles[4];

    void FindRootPath(TOrbekoDBShell& shell);
    void OpenFolder(TOrbekoDBShell& shell);
    void CreateDatabase(TOrbekoDBShell& shell);
    void OpenExisting(TXIsamFile& file, const char* name, const char* what) const;
    TXIsamFile& FileOf(const TFileSpec& known);
    // Whether the file is there; raises EOrbekoDB when a server cannot say.
    bool Exists(const TFileSpec& known);
    std::string FolderText() const;
    bool OnServer() const;
    // A failure's message, with what the folder shows of its cause.
    std::string Explained(const std::string& headline, const std::string& file = {}) const;
};

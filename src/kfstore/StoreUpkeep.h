#pragma once

#include "kfstore/KeptFile.h"
#include "kfstore/Problem.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The records of a file in the order of one of its keys, read one at a time.
class TKeyedRows
{
public:
    virtual ~TKeyedRows() = default;
    // False at the end, or after an error that was reported.
    virtual bool Next() = 0;
    virtual std::string_view Pk() const = 0;
    virtual std::string_view Key() const = 0;
    // The record's bytes; null when they are not of the file's record size.
    virtual const char* Data() const = 0;
};

// One keyed file as its home checked it on its own, then read whole.
class TCheckedFile
{
public:
    // The file's record, its identifier, and its bytes (of the right size).
    using TRecordVisitor = std::function<void(std::string_view pk, const char* data)>;

    virtual ~TCheckedFile() = default;
    // Opened, and described as it should be: its records can be read.
    virtual bool Usable() const = 0;
    // Checks each record in identifier order and hands the sound ones on.
    // False when reading stopped on an error (reported).
    virtual bool ScanRecords(const TRecordVisitor& visit) = 0;
    virtual std::unique_ptr<TKeyedRows> ByKey(int keyNumber) = 0;
    virtual void Report(std::string_view record, const std::string& text) const = 0;
};

// What a keeper of a database does with its files, each home its own way:
// checks them, counts them, copies them as they stood at one moment.
class TStoreUpkeep
{
public:
    struct TFigures
    {
        bool Present = false;
        int64_t Records = 0;
        int64_t Bytes = 0;  // 0 where the home keeps no files of its own
    };
    struct TFailure
    {
        std::string File;
        std::string Error;
    };

    virtual ~TStoreUpkeep() = default;
    // The file checked on its own, problems to sink (one that is missing or
    // cannot be opened is reported and not Usable; an optional one that is
    // missing is not Usable, and no problem).
    virtual std::unique_ptr<TCheckedFile> Check(const TKeptFile& file, const TProblemSink& sink) = 0;
    // Throws std::runtime_error when the file cannot be read.
    virtual TFigures Figures(const TKeptFile& file) = 0;
    // Every record of the file in the order of a key, as it stood when
    // reading began in a folder; its Next throws std::runtime_error when a
    // read fails.
    virtual std::unique_ptr<TKeyedRows> Rows(const TKeptFile& file, int keyNumber) = 0;
    // Copies the files into destination, a folder that holds none of them,
    // as they stood at one moment; durable on return when sync. Returns the
    // failures, none when every file there was copied. Throws
    // std::runtime_error where the home cannot take such a copy.
    virtual std::vector<TFailure> Snapshot(const std::string& destination, bool sync) = 0;
};

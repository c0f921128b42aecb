#include "kfstore/server/ServerUpkeep.h"

#include "kfstore/KeyFormat.h"
#include "kfstore/KfsModes.h"
#include "kfstore/KfsStatus.h"
#include "kfstore/PrimaryKey.h"
#include "kfstore/StoreLocation.h"
#include "kfstore/server/ServerHome.h"

#include <functional>
#include <optional>
#include <stdexcept>

namespace {

// The records of an open file in the order of one key, read through the home.
class TStoreRows : public TKeyedRows
{
public:
    // Called with the store's words when a read fails.
    using TOnError = std::function<void(const std::string& error)>;

    TStoreRows(TKeyedStore& file, const TKeyFormat& format, int keyNumber, TOnError onError)
        : File_(file), Format_(format), Key_(keyNumber), Record_(static_cast<std::size_t>(format.RecordSize())),
          OnError_(std::move(onError))
    {
    }

    bool Next() override
    {
        if (Done_)
            return false;
        int16_t status = Started_ ? ksOk : File_.Top(Key_);
        Started_ = true;
        if (status == ksOk)
            status = File_.Get(Key_, kmGetNext + kcAny, {}, nullptr, Pk_, Record_.data(),
                               static_cast<int>(Record_.size()));
        if (status == ksOk)
            return true;
        Done_ = true;
        if (status != ksNotFound)
            OnError_(KfsStatusText(status));
        return false;
    }
    std::string_view Pk() const override { return Pk_; }
    std::string_view Key() const override { return Format_.KeyValue(Record_.data(), Key_); }
    const char* Data() const override { return Record_.data(); }

private:
    TKeyedStore& File_;
    const TKeyFormat& Format_;
    int Key_;
    std::vector<char> Record_;
    std::string Pk_;
    TOnError OnError_;
    bool Started_ = false;
    bool Done_ = false;
};

// A file of the database opened through the home, with its format.
struct TOpenFile
{
    TOpenFile(const std::string& location, const TKeptFile& kept)
        : Kept(kept), Format(TKeyFormat::Parse(kept.KeyFormat))
    {
        if (!Format)
            throw std::invalid_argument(std::string("the key format of ") + kept.Name + " cannot be read");
        Status = TServerHome().Open(StoreLocation::FileName(location, kept.Name), false, File);
    }

    bool IsOpen() const { return Status == ksOk && File; }
    int32_t RecordCount() const
    {
        int32_t count = -1;
        int16_t keyLength = 0;
        return File->Info(count, keyLength) == ksOk ? count : -1;
    }

    TKeptFile Kept;
    std::optional<TKeyFormat> Format;
    std::unique_ptr<TKeyedStore> File;
    int16_t Status = ksOk;
};

class TServerFileCheck : public TCheckedFile
{
public:
    TServerFileCheck(const std::string& location, const TKeptFile& kept, const TProblemSink& sink)
        : Open_(location, kept), Sink_(sink)
    {
        if (!Open_.IsOpen()) {
            // An optional file that is not there is no problem; nothing to read.
            if (Open_.Status != ksNotFound || !kept.Optional)
                Report({}, Open_.Status == ksNotFound ? "is missing"
                                                      : "cannot be read: " + KfsStatusText(Open_.Status));
            return;
        }
        Usable_ = true;
        std::vector<int> keys{0};
        keys.insert(keys.end(), Open_.Format->IndexedKeys().begin(), Open_.Format->IndexedKeys().end());
        const int32_t count = Open_.RecordCount();
        for (int key : keys)
            CheckKey(key, count);
    }

    bool Usable() const override { return Usable_; }

    bool ScanRecords(const TRecordVisitor& visit) override
    {
        bool failed = false;
        TStoreRows rows(*Open_.File, *Open_.Format, 0, [&](const std::string& error) {
            Report({}, "reading by key 0 stopped: " + error);
            failed = true;
        });
        while (rows.Next())
            visit(rows.Pk(), rows.Data());
        return !failed;
    }

    std::unique_ptr<TKeyedRows> ByKey(int keyNumber) override
    {
        return std::make_unique<TStoreRows>(*Open_.File, *Open_.Format, keyNumber, [this, keyNumber](const std::string& error) {
            Report({}, "reading by key " + std::to_string(keyNumber) + " stopped: " + error);
        });
    }

    void Report(std::string_view record, const std::string& text) const override
    {
        Sink_({Open_.Kept.Name, std::string(record), text});
    }

private:
    void CheckKey(int key, int32_t count)
    {
        bool failed = false;
        TStoreRows rows(*Open_.File, *Open_.Format, key, [&](const std::string& error) {
            Report({}, "reading by key " + std::to_string(key) + " stopped: " + error);
            failed = true;
        });
        int64_t read = 0;
        while (rows.Next()) {
            ++read;
            if (key == 0 && !PrimaryKey::Counted(rows.Pk(), Open_.Kept.KeyLength))
                Report(rows.Pk(), "its identifier is not " + PrimaryKey::DigitsText(Open_.Kept.KeyLength));
        }
        if (!failed && read != count)
            Report({}, "key " + std::to_string(key) + " reads " + std::to_string(read) + " records of "
                           + std::to_string(count));
    }

    TOpenFile Open_;
    const TProblemSink& Sink_;
    bool Usable_ = false;
};

// The file, open; throws std::runtime_error when it cannot be opened.
TOpenFile Opened(const std::string& location, const TKeptFile& kept)
{
    TOpenFile open(location, kept);
    if (!open.IsOpen())
        throw std::runtime_error(std::string(kept.Name) + ": " + KfsStatusText(open.Status));
    return open;
}

// The rows of a key with the open file that holds them.
class TOpenRows : public TKeyedRows
{
public:
    TOpenRows(const std::string& location, const TKeptFile& kept, int keyNumber)
        : Open_(Opened(location, kept)),
          Rows_(*Open_.File, *Open_.Format, keyNumber, [this](const std::string& error) {
              throw std::runtime_error(std::string(Open_.Kept.Name) + ": " + error);
          })
    {
    }

    bool Next() override { return Rows_.Next(); }
    std::string_view Pk() const override { return Rows_.Pk(); }
    std::string_view Key() const override { return Rows_.Key(); }
    const char* Data() const override { return Rows_.Data(); }

private:
    TOpenFile Open_;
    TStoreRows Rows_;
};

}  // namespace

TServerUpkeep::TServerUpkeep(std::string location, TKeptFiles files)
    : Location_(StoreLocation::Normalized(std::move(location))), Files_(files.begin(), files.end())
{
}

std::unique_ptr<TCheckedFile> TServerUpkeep::Check(const TKeptFile& file, const TProblemSink& sink)
{
    return std::make_unique<TServerFileCheck>(Location_, file, sink);
}

TStoreUpkeep::TFigures TServerUpkeep::Figures(const TKeptFile& file)
{
    TOpenFile open(Location_, file);
    TFigures figures;
    if (!open.IsOpen()) {
        if (open.Status == ksNotFound)
            return figures;
        throw std::runtime_error(std::string(file.Name) + ": " + KfsStatusText(open.Status));
    }
    figures.Present = true;
    figures.Records = open.RecordCount();
    return figures;
}

std::unique_ptr<TKeyedRows> TServerUpkeep::Rows(const TKeptFile& file, int keyNumber)
{
    return std::make_unique<TOpenRows>(Location_, file, keyNumber);
}

std::vector<TStoreUpkeep::TFailure> TServerUpkeep::Snapshot(const std::string&, bool)
{
    throw std::runtime_error("a database on a server is copied with the server's own tools (pg_dump -Fc -n orbeko)");
}

#pragma once

#include "storage/KeyWalk.h"
#include "storage/Records.h"

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TOrbekoDB;
class TStamp;
class TXIsamFile;

// Where a walk along one key stands: the key value and identifier of the
// record read last; both empty before the first.
struct TWalkPlace
{
    std::string Value;
    std::string Id;
};

// A walk along keyNumber that goes on from place. Other readers may move the
// file's position between two parts of a walk, and the record read last may
// since have been changed or deleted, so it starts again at place's key
// value; the records there that it has already read are told by Passed.
TKeyWalk ResumeWalk(TXIsamFile& file, int16_t keyNumber, const TWalkPlace& place);
// True for the record (key value and identifier) read before place: records
// with equal key values come in identifier order.
bool Passed(const TWalkPlace& place, const std::string& value, const std::string& id);

// One list of the troubleshooting dialog: every record of one file, read in
// batches as the list is scrolled towards its end, each line made from what
// was kept of its record only when the list shows it. A line is a time, a
// user's full name and a description; a reference that leads nowhere shows
// as "ERR".
class TTroubleLines : public QAbstractListModel
{
    Q_OBJECT
public:
    // Records read at a time: more than a screenful, few enough to come at once.
    static constexpr int DefaultBatch = 1000;

    explicit TTroubleLines(QObject* parent = nullptr, int batch = DefaultBatch);
    ~TTroubleLines() override;

    // Forgets the lines and reads the first batch from the top of the file;
    // stamp formats the times until Clear.
    void Rebuild(TOrbekoDB& db, TStamp& stamp);
    // An empty list that reads nothing.
    void Clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // A read failed; the list ends at the record reached.
    void ReadFailed(const QString& status);

protected:
    static constexpr int32_t Missing = -1;

    // What a line is made of: the stamp as stored, the user's name among
    // Names_ (or Missing) and a span of Texts_ (its length Missing when the
    // reference leads nowhere).
    struct TRow
    {
        char Stamp[10];
        int32_t Who;
        uint32_t Text;
        int32_t TextLength;
    };

    // Back to the top of the file: calls StartWalk.
    virtual void Restart(TOrbekoDB& db) = 0;
    // The next record's row; false at the end of the file. A failed read
    // throws EOrbekoDB with its status.
    virtual bool ReadRow(TOrbekoDB& db, TRow& row) = 0;
    virtual QString Line(const TRow& row) const = 0;

    // The row's parts; Who and Text are found by FindUser and KeepText.
    static TRow MakeRow(const char* stamp, int32_t who, std::pair<uint32_t, int32_t> text);
    // Index of the user's full name, or Missing when no user has the id.
    int32_t FindUser(TOrbekoDB& db, const std::string& userId);
    std::pair<uint32_t, int32_t> KeepText(std::string_view text);
    static std::pair<uint32_t, int32_t> MissingText() { return {0, Missing}; }

    QString TimeText(const TRow& row) const;
    QString NameText(const TRow& row) const;
    QString DescriptionText(const TRow& row) const;

    // The list's walk: every record of file along keyNumber.
    void StartWalk(TXIsamFile& file, int16_t keyNumber);
    // The next record of the walk and its key value; false at the end.
    template <class R, std::size_t N> bool ReadNext(R& record, const char (R::*key)[N])
    {
        while (Walk().Next(record))
            if (Advance(FieldText(record.*key)))
                return true;
        return false;
    }

private:
    // The walk of this batch, resumed at Place_ for each batch.
    TKeyWalk& Walk();
    // False for a record read in an earlier batch; otherwise it is the place.
    bool Advance(const std::string& value);

    TXIsamFile* File_ = nullptr;
    int16_t KeyNumber_ = 0;
    TWalkPlace Place_;
    std::optional<TKeyWalk> Walk_;
    TOrbekoDB* Db_ = nullptr;
    TStamp* Stamp_ = nullptr;
    std::vector<TRow> Rows_;
    std::string Texts_;
    std::vector<QString> Names_;
    std::unordered_map<std::string, int32_t> Users_;
    const int Batch_;
    bool AtEnd_ = true;
};

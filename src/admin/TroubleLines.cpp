#include "admin/TroubleLines.h"

#include "kfstore/KfsStatus.h"
#include "storage/OrbekoDB.h"
#include "storage/Stamp.h"

#include <cstring>
#include <stdexcept>

namespace {

const QString kErr = QStringLiteral("ERR");

}  // namespace

TKeyWalk ResumeWalk(TXIsamFile& file, int16_t keyNumber, const TWalkPlace& place)
{
    if (place.Id.empty())
        return TKeyWalk::All(file, keyNumber);
    return TKeyWalk::From(file, keyNumber, place.Value, {}, gcAny);
}

bool Passed(const TWalkPlace& place, const std::string& value, const std::string& id)
{
    return !place.Id.empty() && value == place.Value && id <= place.Id;
}

TTroubleLines::TTroubleLines(QObject* parent, int batch) : QAbstractListModel(parent), Batch_(batch) {}

TTroubleLines::~TTroubleLines() = default;

void TTroubleLines::Rebuild(TOrbekoDB& db, TStamp& stamp)
{
    beginResetModel();
    Db_ = &db;
    Stamp_ = &stamp;
    Rows_.clear();
    Texts_.clear();
    Names_.clear();
    Users_.clear();
    AtEnd_ = false;
    Restart(db);
    endResetModel();
    fetchMore(QModelIndex());
}

void TTroubleLines::Clear()
{
    beginResetModel();
    Db_ = nullptr;
    Stamp_ = nullptr;
    File_ = nullptr;
    Walk_.reset();
    // Give the memory back: a list may have held a million lines.
    Rows_ = {};
    Texts_ = {};
    Names_ = {};
    Users_ = {};
    AtEnd_ = true;
    endResetModel();
}

int TTroubleLines::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
}

QVariant TTroubleLines::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(Rows_.size()))
        return {};
    return Line(Rows_[static_cast<std::size_t>(index.row())]);
}

bool TTroubleLines::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !AtEnd_;
}

void TTroubleLines::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    std::vector<TRow> batch;
    batch.reserve(static_cast<std::size_t>(Batch_));
    QString failure;
    try {
        TRow row;
        while (static_cast<int>(batch.size()) < Batch_ && ReadRow(*Db_, row))
            batch.push_back(row);
        AtEnd_ = static_cast<int>(batch.size()) < Batch_;
    } catch (const std::exception& error) {
        AtEnd_ = true;
        failure = DecodeText(error.what());
    }
    // Other readers may move the file's position before the next batch.
    Walk_.reset();
    if (!batch.empty()) {
        const int first = static_cast<int>(Rows_.size());
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(batch.size()) - 1);
        Rows_.insert(Rows_.end(), batch.begin(), batch.end());
        endInsertRows();
    }
    if (!failure.isEmpty())
        emit ReadFailed(failure);
}

TTroubleLines::TRow TTroubleLines::MakeRow(const char* stamp, int32_t who, std::pair<uint32_t, int32_t> text)
{
    TRow row;
    std::memcpy(row.Stamp, stamp, sizeof(row.Stamp));
    row.Who = who;
    row.Text = text.first;
    row.TextLength = text.second;
    return row;
}

// Users are few and read once per list.
int32_t TTroubleLines::FindUser(TOrbekoDB& db, const std::string& userId)
{
    const auto known = Users_.find(userId);
    if (known != Users_.end())
        return known->second;
    TUserRec user;
    int32_t who = Missing;
    if (FindRecord(db.UserFile, user, TOrbekoDB::UserIdKey, userId)) {
        who = static_cast<int32_t>(Names_.size());
        Names_.push_back(FieldString(user.FullName));
    }
    Users_.emplace(userId, who);
    return who;
}

std::pair<uint32_t, int32_t> TTroubleLines::KeepText(std::string_view text)
{
    const auto at = static_cast<uint32_t>(Texts_.size());
    Texts_.append(text);
    return {at, static_cast<int32_t>(text.size())};
}

QString TTroubleLines::TimeText(const TRow& row) const
{
    const std::string stored = FieldText(row.Stamp, sizeof(row.Stamp));
    const int64_t seconds = IdValue(stored);
    try {
        if (IdText(seconds) == stored) {
            Stamp_->SetSeconds(seconds);
            return Stamp_->DisplayText();
        }
    } catch (const EStamp&) {
    }
    // A damaged record: show what is stored.
    return DecodeText(stored);
}

QString TTroubleLines::NameText(const TRow& row) const
{
    return row.Who == Missing ? kErr : Names_[static_cast<std::size_t>(row.Who)];
}

QString TTroubleLines::DescriptionText(const TRow& row) const
{
    if (row.TextLength == Missing)
        return kErr;
    return DecodeText(Texts_.substr(row.Text, static_cast<std::size_t>(row.TextLength)));
}

void TTroubleLines::StartWalk(TXIsamFile& file, int16_t keyNumber)
{
    File_ = &file;
    KeyNumber_ = keyNumber;
    Place_ = {};
    Walk_.reset();
}

TKeyWalk& TTroubleLines::Walk()
{
    if (!Walk_)
        Walk_.emplace(ResumeWalk(*File_, KeyNumber_, Place_));
    return *Walk_;
}

bool TTroubleLines::Advance(const std::string& value)
{
    if (Passed(Place_, value, Walk_->Id()))
        return false;
    Place_ = {value, Walk_->Id()};
    return true;
}

#include "storage/DatabaseUid.h"

#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"

#include <QUuid>

namespace {

constexpr const char* kUidMarker = "orbeko-db:";

// The namespace of UIDs derived from a database's first user.
const QUuid kDerivedNamespace(QStringLiteral("6f3d2b6e-1c84-4a57-9a0e-5d4f0c2b8e71"));

std::string StoredUid(TOrbekoDB& db)
{
    std::string note;
    if (!db.UserFile.ReadNote(note))
        throw EOrbekoDB(db.UserFile.StatusText());
    return note.rfind(kUidMarker, 0) == 0 ? note.substr(std::string(kUidMarker).size()) : std::string();
}

}  // namespace

std::string TDatabaseUid::Of(TOrbekoDB& db)
{
    if (std::string stored = StoredUid(db); !stored.empty())
        return stored;
    // Identifiers are never given twice: this changes only when the first
    // user is renamed or deleted.
    std::string first = "empty";
    TUserRec user;
    TKeyWalk walk = TKeyWalk::All(db.UserFile, TOrbekoDB::UserIdKey);
    if (walk.Next(user))
        first = walk.Id() + ":" + FieldText(user.UserName);
    return QUuid::createUuidV5(kDerivedNamespace, QByteArray::fromStdString(first))
        .toString(QUuid::WithoutBraces)
        .toStdString();
}

void TDatabaseUid::Make(TOrbekoDB& db)
{
    if (!StoredUid(db).empty())
        return;
    const std::string made = kUidMarker + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    if (!db.UserFile.WriteNote(made))
        throw EOrbekoDB(db.UserFile.StatusText());
}

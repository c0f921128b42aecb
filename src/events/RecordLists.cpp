#include "events/RecordLists.h"

#include "storage/KeyWalk.h"
#include "storage/OrbekoDB.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "ui/CheckList.h"

#include <QComboBox>
#include <QVariant>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const char* const kNoneText = "<None>";

}  // namespace

void FillUserList(TCheckList& list, TXIsamFile& users)
{
    list.clear();
    TUserRec user;
    TKeyWalk walk = TKeyWalk::All(users, TOrbekoDB::UserIdKey);
    while (walk.Next(user))
        list.AddItem(FieldString(user.FullName), IdValue(walk.Id()));
}

void FillCategoryList(QComboBox& box, TXIsamFile& categories)
{
    std::vector<std::pair<QString, int64_t>> found;
    TCategoryRec category;
    TKeyWalk walk = TKeyWalk::All(categories, TOrbekoDB::CategoryIdKey);
    while (walk.Next(category))
        found.emplace_back(FieldString(category.Description), IdValue(walk.Id()));
    // "<None>" heads the list whatever the categories are called, so that
    // choosing none is always the first item.
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    box.clear();
    box.addItem(QString::fromLatin1(kNoneText), QVariant::fromValue<qint64>(0));
    for (const auto& [text, id] : found)
        box.addItem(text, QVariant::fromValue<qint64>(id));
}

#include "events/RecordLists.h"

#include "storage/KfsStatus.h"
#include "storage/Records.h"
#include "storage/Stamp.h"
#include "storage/XIsamFile.h"
#include "ui/CheckList.h"

#include <QComboBox>
#include <QVariant>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr int16_t kIdKey = 0;
const char* const kNoneText = "<None>";

QString RecordText(const std::string& text)
{
    return QString::fromLocal8Bit(text);
}

void ThrowUnlessAtEnd(const TXIsamFile& file)
{
    if (file.Status() != ksNotFound)
        throw std::runtime_error(file.StatusText());
}

}  // namespace

void FillUserList(TCheckList& list, TXIsamFile& users)
{
    list.clear();
    TUserRec user;
    users.GoTop(kIdKey);
    while (users.GetNext(user, kIdKey, "", gcAny))
        list.AddItem(RecordText(FieldText(user.FullName)), IdValue(users.LastKey()));
    ThrowUnlessAtEnd(users);
}

void FillCategoryList(QComboBox& box, TXIsamFile& categories)
{
    std::vector<std::pair<QString, int64_t>> found;
    TCategoryRec category;
    categories.GoTop(kIdKey);
    while (categories.GetNext(category, kIdKey, "", gcAny))
        found.emplace_back(RecordText(FieldText(category.Description)), IdValue(categories.LastKey()));
    ThrowUnlessAtEnd(categories);
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

#include "ui/ListBox.h"

namespace {

constexpr int DataRole = Qt::UserRole;

}  // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TListBox::SetSorted(bool sorted)
{
    Sorted_ = sorted;
    if (!sorted)
        return;
    QList<QListWidgetItem*> items;
    while (count() > 0)
        items.append(takeItem(0));
    for (QListWidgetItem* item : items)
        Place(item);
}

int TListBox::AddItem(const QString& text, int64_t data)
{
    auto* item = new QListWidgetItem(text);
    item->setData(DataRole, QVariant::fromValue<qint64>(data));
    InitItem(*item);
    return Place(item);
}

int TListBox::SetItemText(int row, const QString& text)
{
    QListWidgetItem* entry = item(row);
    if (!entry)
        return -1;
    const bool selected = entry->isSelected();
    const bool current = currentRow() == row;
    takeItem(row);
    entry->setText(text);
    const int placed = Place(entry);
    if (current)
        setCurrentRow(placed);
    entry->setSelected(selected);
    return placed;
}

int64_t TListBox::Data(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(DataRole).toLongLong() : 0;
}

int TListBox::IndexOfData(int64_t data) const
{
    for (int row = 0; row < count(); ++row)
        if (Data(row) == data)
            return row;
    return -1;
}

int TListBox::ItemIndex() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void TListBox::InitItem(QListWidgetItem&)
{
}

// After every entry that does not sort after the text.
int TListBox::RowFor(const QString& text) const
{
    if (!Sorted_)
        return count();
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (QString::compare(item(middle)->text(), text, Qt::CaseInsensitive) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

int TListBox::Place(QListWidgetItem* entry)
{
    const int at = RowFor(entry->text());
    insertItem(at, entry);
    return at;
}

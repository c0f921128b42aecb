#include "ui/CheckList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// Turns the clicks and key presses that would toggle a box into a request
// to the list, so that the list can ask before anything changes. The
// gestures are those of the standard delegate: a left click released on the
// box, the space bar or the select key.
class TCheckListDelegate : public QStyledItemDelegate
{
public:
    explicit TCheckListDelegate(TCheckList& list) : QStyledItemDelegate(&list), List_(list) {}

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override
    {
        const Qt::ItemFlags flags = model->flags(index);
        if (!(flags & Qt::ItemIsUserCheckable) || !(flags & Qt::ItemIsEnabled) ||
            !(option.state & QStyle::State_Enabled) || !index.data(Qt::CheckStateRole).isValid())
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // Swallowed so that only the release toggles.
            return OnBox(static_cast<QMouseEvent&>(*event), option, index);
        case QEvent::MouseButtonRelease:
            if (!OnBox(static_cast<QMouseEvent&>(*event), option, index))
                return false;
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent&>(*event).key();
            if (key != Qt::Key_Space && key != Qt::Key_Select)
                return false;
            break;
        }
        default:
            return false;
        }
        List_.ClickCheck(index.row());
        return true;
    }

private:
    bool OnBox(const QMouseEvent& event, const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        if (event.button() != Qt::LeftButton)
            return false;
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QWidget* widget = option.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, widget)
            .contains(event.position().toPoint());
    }

    TCheckList& List_;
};

}  // namespace

TCheckList::TCheckList(QWidget* parent) : TListBox(parent)
{
    setItemDelegate(new TCheckListDelegate(*this));
}

void TCheckList::InitItem(QListWidgetItem& item)
{
    item.setFlags((item.flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsUserTristate);
    item.setCheckState(Qt::Unchecked);
}

bool TCheckList::Checked(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry && entry->checkState() == Qt::Checked;
}

void TCheckList::SetChecked(int row, bool checked)
{
    if (QListWidgetItem* entry = item(row))
        entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int TCheckList::CheckedCount() const
{
    int checked = 0;
    for (int row = 0; row < count(); ++row)
        checked += Checked(row) ? 1 : 0;
    return checked;
}

void TCheckList::ClickCheck(int row)
{
    const QListWidgetItem* entry = item(row);
    if (!entry || !isEnabled() || !(entry->flags() & Qt::ItemIsEnabled))
        return;
    const bool checking = !Checked(row);
    if (OnChanging && !OnChanging(row, checking))
        return;
    // The handler may have changed the list.
    if (!item(row))
        return;
    SetChecked(row, checking);
    if (OnChange)
        OnChange(row);
}

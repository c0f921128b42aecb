#include "views/MonthViewAccessible.h"

#include "views/MonthView.h"

#include <QPointer>

namespace {

// One day of the grid; it lives as long as the month view's interface.
class TMonthDayAccessible : public QAccessibleInterface
{
public:
    TMonthDayAccessible(TMonthView* view, int index) : View_(view), Index_(index) {}

    bool isValid() const override { return !View_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(View_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override
    {
        if (View_.isNull() || kind != QAccessible::Name)
            return {};
        return View_->SpokenDay(Index_);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (View_.isNull())
            return {};
        const QRect cell = View_->DayRect(Index_);
        return QRect(View_->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (View_.isNull())
            return state;
        state.focusable = true;
        state.selectable = true;
        const bool selected = View_->FirstDay().addDays(Index_) == View_->SelectedDay();
        state.selected = selected;
        state.focused = selected && View_->hasFocus();
        state.invisible = !View_->isVisible();
        return state;
    }

private:
    QPointer<TMonthView> View_;
    int Index_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("TMonthView"))
        if (auto* view = qobject_cast<TMonthView*>(object))
            return new TMonthViewAccessible(view);
    return nullptr;
}

}  // namespace

TMonthViewAccessible::TMonthViewAccessible(TMonthView* view) : QAccessibleWidget(view, QAccessible::List) {}

TMonthViewAccessible::~TMonthViewAccessible()
{
    for (QAccessible::Id id : Days_)
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
}

void TMonthViewAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

TMonthView* TMonthViewAccessible::View() const
{
    return static_cast<TMonthView*>(widget());
}

QString TMonthViewAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
        return View()->Title();
    return QAccessibleWidget::text(kind);
}

int TMonthViewAccessible::childCount() const
{
    return static_cast<int>(Days_.size());
}

QAccessibleInterface* TMonthViewAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    QAccessible::Id& id = Days_[static_cast<std::size_t>(index)];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new TMonthDayAccessible(View(), index));
    return QAccessible::accessibleInterface(id);
}

int TMonthViewAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (int index = 0; index < childCount(); ++index) {
        const QAccessible::Id id = Days_[static_cast<std::size_t>(index)];
        if (id != 0 && QAccessible::accessibleInterface(id) == child)
            return index;
    }
    return -1;
}

QAccessibleInterface* TMonthViewAccessible::childAt(int x, int y) const
{
    const int index = View()->DayAt(View()->mapFromGlobal(QPoint(x, y)));
    return index < 0 ? nullptr : child(index);
}

QAccessibleInterface* TMonthViewAccessible::focusChild() const
{
    if (!View()->hasFocus())
        return nullptr;
    return child(static_cast<int>(View()->FirstDay().daysTo(View()->SelectedDay())));
}

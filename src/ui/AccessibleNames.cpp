#include "ui/AccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace {

// A caption as read aloud: no mnemonic marks, no trailing colon.
QString Spoken(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    caption = caption.trimmed();
    while (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption.trimmed();
}

bool Interactive(const QWidget& widget)
{
    return qobject_cast<const QAbstractButton*>(&widget) || qobject_cast<const QComboBox*>(&widget) ||
           qobject_cast<const QLineEdit*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget) ||
           qobject_cast<const QAbstractItemView*>(&widget) || qobject_cast<const QAbstractSlider*>(&widget) ||
           qobject_cast<const QTextEdit*>(&widget) || qobject_cast<const QPlainTextEdit*>(&widget) ||
           qobject_cast<const QToolBar*>(&widget);
}

// The grid among layout and the layouts inside it that holds widget.
QGridLayout* GridOf(QLayout* layout, const QWidget& widget)
{
    if (layout == nullptr)
        return nullptr;
    if (auto* grid = qobject_cast<QGridLayout*>(layout); grid && grid->indexOf(&widget) >= 0)
        return grid;
    for (int i = 0; i < layout->count(); ++i)
        if (QGridLayout* grid = GridOf(layout->itemAt(i)->layout(), widget))
            return grid;
    return nullptr;
}

// The text of the label in column 0 of the grid row that holds widget.
QString RowLabel(const QWidget& widget)
{
    const QWidget* parent = widget.parentWidget();
    QGridLayout* grid = parent ? GridOf(parent->layout(), widget) : nullptr;
    if (grid == nullptr)
        return {};
    const int at = grid->indexOf(&widget);
    if (at < 0)
        return {};
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(at, &row, &column, &rows, &columns);
    if (column == 0)
        return {};
    QLayoutItem* first = grid->itemAtPosition(row, 0);
    auto* label = first ? qobject_cast<QLabel*>(first->widget()) : nullptr;
    return label ? Spoken(label->text()) : QString();
}

QString GroupTitle(const QWidget& widget)
{
    for (const QWidget* up = widget.parentWidget(); up != nullptr && !up->isWindow(); up = up->parentWidget())
        if (auto* group = qobject_cast<const QGroupBox*>(up); group && !group->title().isEmpty())
            return Spoken(group->title());
    return {};
}

// The caption of the tab whose page holds widget.
QString TabTitle(const QWidget& widget)
{
    for (const QWidget* page = &widget; page != nullptr && !page->isWindow(); page = page->parentWidget()) {
        const QWidget* stack = page->parentWidget();
        auto* tabs = stack ? qobject_cast<const QTabWidget*>(stack->parentWidget()) : nullptr;
        if (tabs != nullptr && qobject_cast<const QStackedWidget*>(stack))
            if (const int index = tabs->indexOf(const_cast<QWidget*>(page)); index >= 0)
                return Spoken(tabs->tabText(index));
    }
    return {};
}

// A combo box's drop-down list is a list of its own inside the combo box.
const QComboBox* ComboOf(const QWidget& widget)
{
    if (!qobject_cast<const QAbstractItemView*>(&widget))
        return nullptr;
    for (const QWidget* up = widget.parentWidget(); up != nullptr; up = up->parentWidget())
        if (auto* combo = qobject_cast<const QComboBox*>(up))
            return combo;
    return nullptr;
}

// The calendar's own parts carry object names but no captions.
QString CalendarPart(const QWidget& widget)
{
    static const QHash<QString, QString> parts{
        {QStringLiteral("qt_calendar_prevmonth"), QStringLiteral("Previous month")},
        {QStringLiteral("qt_calendar_nextmonth"), QStringLiteral("Next month")},
        {QStringLiteral("qt_calendar_monthbutton"), QStringLiteral("Month")},
        {QStringLiteral("qt_calendar_yearbutton"), QStringLiteral("Year")},
        {QStringLiteral("qt_calendar_yearedit"), QStringLiteral("Year")},
        {QStringLiteral("qt_calendar_calendarview"), QStringLiteral("Days of the month")},
        {QStringLiteral("qt_toolbar_ext_button"), QStringLiteral("More commands")},
    };
    return parts.value(widget.objectName());
}

QString ButtonCaption(const QWidget& widget)
{
    if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        if (!button->text().isEmpty())
            return Spoken(button->text());
        if (auto* tool = qobject_cast<const QToolButton*>(button); tool && tool->defaultAction())
            return Spoken(tool->defaultAction()->text());
    }
    return {};
}

// A name for a control without one, best source first.
QString NameFor(const QWidget& widget, const QHash<const QWidget*, QString>& buddies)
{
    if (const QString buddy = buddies.value(&widget); !buddy.isEmpty())
        return buddy;
    if (const QString part = CalendarPart(widget); !part.isEmpty())
        return part;
    // A line edit's own buttons (a date edit's drop-down) are tool buttons
    // inside it with the action's text or tip.
    if (auto* tool = qobject_cast<const QToolButton*>(&widget); tool && tool->defaultAction()) {
        const QAction* action = tool->defaultAction();
        if (!action->text().isEmpty())
            return Spoken(action->text());
        if (!action->toolTip().isEmpty())
            return Spoken(action->toolTip());
    }
    if (const QString row = RowLabel(widget); !row.isEmpty())
        return row;
    if (!widget.toolTip().isEmpty())
        return Spoken(widget.toolTip());
    if (const QString group = GroupTitle(widget); !group.isEmpty())
        return group;
    if (const QString tab = TabTitle(widget); !tab.isEmpty())
        return tab;
    if (auto* bar = qobject_cast<const QToolBar*>(&widget))
        return bar->windowTitle().isEmpty() ? QStringLiteral("Tool bar") : Spoken(bar->windowTitle());
    // The one text of a window without a label, as a report's page.
    return Spoken(widget.window()->windowTitle());
}

}  // namespace

void TAccessibleNames::Apply(QWidget& root)
{
    // A combo box makes its drop-down list when first asked for it.
    for (QComboBox* combo : root.findChildren<QComboBox*>())
        combo->view();
    const QList<QWidget*> widgets = root.findChildren<QWidget*>();

    QHash<const QWidget*, QString> buddies;
    for (QWidget* widget : widgets)
        if (auto* label = qobject_cast<QLabel*>(widget); label && label->buddy()) {
            QWidget* buddy = label->buddy();
            buddies.insert(buddy, Spoken(label->text()));
            if (buddy->focusProxy())
                buddies.insert(buddy->focusProxy(), Spoken(label->text()));
        }

    // Buttons of one window with the same caption are told apart by the
    // label of their row: "Assignee color, Italic".
    QHash<QPair<const QWidget*, QString>, int> captions;
    for (QWidget* widget : widgets)
        if (const QString caption = ButtonCaption(*widget); !caption.isEmpty())
            ++captions[{widget->window(), caption}];

    for (QWidget* widget : widgets) {
        if (!Interactive(*widget) || !widget->accessibleName().isEmpty())
            continue;
        const QString caption = ButtonCaption(*widget);
        if (!caption.isEmpty()) {
            if (captions.value({widget->window(), caption}) > 1) {
                const QString row = RowLabel(*widget);
                const QString context = row.isEmpty() ? GroupTitle(*widget) : row;
                if (!context.isEmpty())
                    widget->setAccessibleName(context + QStringLiteral(", ") + caption);
            }
            continue;
        }
        if (ComboOf(*widget) != nullptr)
            continue;
        const QString name = NameFor(*widget, buddies);
        if (!name.isEmpty())
            widget->setAccessibleName(name);
    }
    // The drop-down lists last, once their combo boxes have names.
    for (QWidget* widget : widgets)
        if (const QComboBox* combo = ComboOf(*widget); combo && widget->accessibleName().isEmpty()) {
            const QString name = combo->accessibleName().isEmpty() ? NameFor(*combo, buddies) : combo->accessibleName();
            widget->setAccessibleName(name);
        }
}

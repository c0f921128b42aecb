#include "app/MainWindowFixture.h"

#include "ui/AccessibleNames.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include <algorithm>

#include <gtest/gtest.h>

#include <set>

namespace {

// The roles a user works with; their names are what a screen reader says.
bool Interactive(QAccessible::Role role)
{
    static const std::set<QAccessible::Role> roles{
        QAccessible::PushButton,   QAccessible::CheckBox,   QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::EditableText, QAccessible::List,       QAccessible::ListItem,    QAccessible::Table,
        QAccessible::Tree,         QAccessible::TreeItem,   QAccessible::Cell,        QAccessible::SpinBox,
        QAccessible::Slider,       QAccessible::ButtonMenu, QAccessible::ButtonDropDown, QAccessible::PageTab,
        QAccessible::ToolBar};
    return roles.count(role) != 0;
}

QString Describe(QAccessibleInterface& node)
{
    const QObject* object = node.object();
    QString path = object ? QString::fromLatin1(object->metaObject()->className()) + QLatin1Char(' ') +
                                object->objectName()
                          : QStringLiteral("(item)");
    for (QAccessibleInterface* up = node.parent(); up != nullptr && up->object() != nullptr; up = up->parent())
        if (!up->object()->objectName().isEmpty()) {
            path += QStringLiteral(" in ") + up->object()->objectName();
            break;
        }
    return path + QStringLiteral(" role ") + QString::number(node.role());
}

// Every interactive node under node without a name, as "class name in parent role".
void CollectUnnamed(QAccessibleInterface& node, QStringList& unnamed, int depth = 0)
{
    if (depth > 40)
        return;
    // A combo box without a name of its own is announced by its value.
    const auto* widget = qobject_cast<const QWidget*>(node.object());
    const bool valueOnly = node.role() == QAccessible::ComboBox && widget && widget->accessibleName().isEmpty();
    if (Interactive(node.role()) && (valueOnly || node.text(QAccessible::Name).trimmed().isEmpty()))
        unnamed << Describe(node);
    for (int i = 0; i < node.childCount(); ++i)
        if (QAccessibleInterface* child = node.child(i))
            CollectUnnamed(*child, unnamed, depth + 1);
}

// Joined, so that a failure reads as text.
std::string Unnamed(QWidget& window)
{
    QStringList unnamed;
    if (QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window))
        CollectUnnamed(*root, unnamed);
    return unnamed.join(QLatin1Char('\n')).toStdString();
}

class AccessibilityTreeTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        QAccessible::setActive(true);
    }
};

TEST_F(AccessibilityTreeTest, EveryControlOfTheMainWindowHasANameInEachView)
{
    TfrmMain& window = Window();
    window.FormActivate();
    ASSERT_FALSE(window.Ended());
    {
        // One event in the shown week and day, so that rows are walked too.
        const std::string me = window.Session().UserId();
        TOrbekoDB db(Shell_);
        TDiaryRecords(db).Event(StampOf(QDateTime(QDate::currentDate(), QTime(10, 0))), me, {me}, "meeting");
    }
    window.show();
    QApplication::processEvents();
    QApplication::processEvents();
    struct TCase
    {
        const char* View;
        const char* Action;
    };
    const TCase cases[] = {
        {"week", "actToolsViewWeek"},
        {"day", "actToolsViewDay"},
        {"month", "actToolsViewMonth"},
    };
    for (const TCase& c : cases) {
        Action(c.Action).trigger();
        window.ActiveView().Reload();
        QApplication::processEvents();
        EXPECT_EQ(Unnamed(window), "") << c.View;
    }
}

TEST_F(AccessibilityTreeTest, EveryControlOfEveryDialogHasANameOnceRun)
{
    TfrmMain& window = Window();
    const QList<QDialog*> dialogs = window.findChildren<QDialog*>();
    ASSERT_GE(dialogs.size(), 17);
    for (QDialog* dialog : dialogs) {
        // What TDialogRunner::Run does before it shows a dialog.
        TAccessibleNames::Apply(*dialog);
        EXPECT_EQ(Unnamed(*dialog), "") << dialog->metaObject()->className();
    }
}

// Where a label alone would not tell controls apart, or there is none.
TEST_F(AccessibilityTreeTest, ControlsAreNamedFromTheirLabelsRowsAndHints)
{
    TfrmMain& window = Window();
    for (QDialog* dialog : window.findChildren<QDialog*>())
        TAccessibleNames::Apply(*dialog);
    struct TCase
    {
        const char* Name;  // object name, in the first dialog that has one
        QString Spoken;
    };
    const TCase cases[] = {
        {"chkAssigneeItalic", QStringLiteral("Assignee(s), Italic")},
        {"chkCategoryItalic", QStringLiteral("Category, Italic")},
        {"chkPrivateItalic", QStringLiteral("Private, Italic")},
        {"cmbTimeColor", QStringLiteral("Time")},
        {"cmbCategory", QStringLiteral("Category")},
        {"qt_calendar_prevmonth", QStringLiteral("Previous month")},
        {"qt_calendar_nextmonth", QStringLiteral("Next month")},
    };
    for (const TCase& c : cases) {
        auto* widget = window.findChild<QWidget*>(QString::fromLatin1(c.Name));
        ASSERT_NE(widget, nullptr) << c.Name;
        EXPECT_EQ(widget->accessibleName(), c.Spoken) << c.Name;
    }
    // A date edit's drop-down button is named after its action.
    const auto buttons = window.findChildren<QToolButton*>();
    const bool calendarButton = std::any_of(buttons.begin(), buttons.end(), [](const QToolButton* button) {
        return button->accessibleName() == QStringLiteral("Open calendar") ||
               (button->defaultAction() && button->defaultAction()->text() == QStringLiteral("Open calendar"));
    });
    EXPECT_TRUE(calendarButton);
}

TEST_F(AccessibilityTreeTest, TheKeyboardPageListsEveryShortcutWithItsCommand)
{
    QFile file(QStringLiteral(":/help/keyboard.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    int shortcuts = 0;
    for (const QAction* action : Window().findChildren<QAction*>()) {
        if (action->shortcut().isEmpty())
            continue;
        ++shortcuts;
        QString keys = action->shortcut().toString(QKeySequence::PortableText);
        keys.replace(QStringLiteral("Insert"), QStringLiteral("Ins")).replace(QStringLiteral("Delete"), QStringLiteral("Del"));
        QString caption = action->text();
        caption.remove(QLatin1Char('&'));
        const QString row = QStringLiteral("<td>%1</td><td>").arg(keys);
        EXPECT_TRUE(page.contains(row)) << keys.toStdString();
        EXPECT_TRUE(page.contains(caption.toHtmlEscaped())) << caption.toStdString();
    }
    EXPECT_GE(shortcuts, 9);
}

TEST_F(AccessibilityTreeTest, RunningADialogNamesItsControls)
{
    std::string seen = "not run";
    Dialogs_.Answer([&seen](QDialog& dialog) {
        seen = Unnamed(dialog);
        return int(QDialog::Rejected);
    });
    QDialog dialog;
    auto* label = new QLabel(QStringLiteral("&Users:"), &dialog);
    auto* list = new QListWidget(&dialog);
    label->setBuddy(list);
    TDialogRunner::Run(dialog);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Users"));
}

}  // namespace

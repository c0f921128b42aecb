#include "support/MessageBoxScript.h"
#include "support/PopupEscape.h"
#include "ui/ActionFactory.h"
#include "ui/ActionUpdater.h"
#include "ui/ButtonRow.h"
#include "ui/DateEdit.h"
#include "ui/ExecuteScope.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace {

TEST(ActionFactoryTest, MakesTheActionAsGivenOnItsOwner)
{
    QDialog owner;
    int runs = 0;
    QAction* action = TActionFactory(owner).Make("actAdd", "&Add", "Add a user", QKeySequence(Qt::Key_Insert),
                                                 [&runs] { ++runs; });
    EXPECT_EQ(action->objectName(), "actAdd");
    EXPECT_EQ(action->text(), "&Add");
    EXPECT_EQ(action->toolTip(), "Add a user");
    EXPECT_EQ(action->statusTip(), "Add a user");
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::Key_Insert));
    EXPECT_TRUE(owner.actions().contains(action));
    action->trigger();
    EXPECT_EQ(runs, 1);
}

// Whatever a handler raises ends in one error message; nothing leaves the slot.
TEST(ActionFactoryTest, AHandlersExceptionIsShownAndGoesNoFurther)
{
    QDialog owner;
    TActionFactory factory(owner);
    struct TCase
    {
        std::function<void()> Handler;
        QString Shown;
    };
    const TCase cases[] = {
        {[] { throw std::runtime_error("Multi-user access"); }, "Multi-user access"},
        {[] { throw std::runtime_error("Caf\xc3\xa9 is locked"); }, QStringLiteral("Caf\u00e9 is locked")},
        {[] { throw 42; }, "Unexpected error"},
    };
    for (const TCase& c : cases) {
        TMessageBoxScript messages;
        messages.Answer(TMessageAnswer::Ok);
        factory.Make("actFail", "&Fail", "", {}, c.Handler)->trigger();
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_EQ(messages.Shown()[0].Kind, TMessageKind::Error);
        EXPECT_EQ(messages.Shown()[0].Text, c.Shown);
    }
    TMessageBoxScript quiet;
    EXPECT_TRUE(TActionFactory::Call([] {}));
    EXPECT_FALSE(TActionFactory::Call([] { throw std::runtime_error("x"); }));
}

TEST(ButtonRowTest, KeepsTheCaptionsGivenAndFollowsItsActions)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* row = new TButtonRow(&dialog);
    layout->addWidget(row);
    QAction* update = TActionFactory(dialog).Make("actUpdate", "&Update", "Update the user", {}, [] {});
    int closed = 0;
    int cancelled = 0;
    QPushButton* buttons[] = {
        row->Add("btnOk", "OK", [] {}, TButtonRole::Default),
        row->Add("btnUpdate", update),
        row->Add("btnClose", "&Close", [&closed] { ++closed; }),
        row->Add("btnCancel", "Cancel", [&cancelled] { ++cancelled; }, TButtonRole::Cancel),
    };
    const QStringList captions = {"OK", "&Update", "&Close", "Cancel"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(buttons[i]->text(), captions[i]);
    EXPECT_EQ(buttons[0]->objectName(), "btnOk");
    EXPECT_TRUE(buttons[0]->isDefault());
    EXPECT_EQ(buttons[1]->toolTip(), "Update the user");

    update->setEnabled(false);
    EXPECT_FALSE(buttons[1]->isEnabled());
    update->setEnabled(true);
    EXPECT_TRUE(buttons[1]->isEnabled());

    buttons[2]->click();
    EXPECT_EQ(closed, 1);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(cancelled, 1) << "Esc presses the cancel button";
}

// Esc goes to an open drop-down of the dialog first; only an Esc that no
// control has used presses the cancel button.
TEST(ButtonRowTest, EscClosesAnOpenDropDownBeforeItCancels)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QComboBox(&dialog);
    list->addItems({"One", "Two"});
    auto* date = new TDateEdit(&dialog);
    auto* row = new TButtonRow(&dialog);
    int cancelled = 0;
    const auto cancel = [&] {
        ++cancelled;
        dialog.reject();
    };
    row->Add("btnCancel", "&Cancel", cancel, TButtonRole::Cancel);
    for (QWidget* control : std::initializer_list<QWidget*>{list, date, row})
        layout->addWidget(control);
    for (QWidget* control : std::initializer_list<QWidget*>{list, date})
        EXPECT_EQ(EscapeClosesTheDropDownFirst(dialog, *control), "");
    EXPECT_EQ(cancelled, 2);
}

TEST(ExecuteScopeTest, PutsTheMembersBackOnEveryPath)
{
    int db = 1;
    int* bound = nullptr;
    std::string user = "before";
    std::vector<std::string> released;
    const auto run = [&](bool fail) {
        TExecuteScope scope;
        scope.Bind(bound, &db).Bind(user, std::string("JSMITH"));
        scope.OnRelease([&] { released.push_back("first"); });
        scope.OnRelease([&] { released.push_back("second"); });
        EXPECT_EQ(bound, &db);
        EXPECT_EQ(user, "JSMITH");
        {
            // A nested run gets its caller's bindings back.
            TExecuteScope nested;
            nested.Bind(user, std::string("NESTED"));
        }
        EXPECT_EQ(user, "JSMITH");
        if (fail)
            throw std::runtime_error("failed");
    };
    run(false);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(user, "before");
    EXPECT_THROW(run(true), std::runtime_error);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(user, "before");
    EXPECT_EQ(released, (std::vector<std::string>{"second", "first", "second", "first"}));
}

// A dialog's rules run as it is shown, and not while it is hidden, when
// what its Execute bound is gone.
TEST(ActionUpdaterTest, InADialogRulesRunWhileItShows)
{
    QDialog dialog;
    auto* updater = new TActionUpdater(dialog);
    QAction* remove = TActionFactory(dialog).Make("actDelete", "&Delete", "", {}, [] {});
    bool selected = false;
    int runs = 0;
    updater->Add(remove, [&] {
        ++runs;
        return selected;
    });
    updater->Schedule();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0) << "hidden";
    selected = true;
    dialog.show();
    EXPECT_EQ(runs, 1) << "shown";
    EXPECT_TRUE(remove->isEnabled());
    selected = false;
    updater->Schedule();
    QCoreApplication::processEvents();
    EXPECT_FALSE(remove->isEnabled());
    dialog.hide();
    const int before = runs;
    updater->Schedule();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, before);
}

}  // namespace

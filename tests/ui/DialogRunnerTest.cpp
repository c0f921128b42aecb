#include "ui/DialogRunner.h"

#include "ModalHandler.h"
#include "support/DialogScript.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// A dialog with one edit and an OK button, as a caller would build it.
class TNameDialog : public QDialog
{
public:
    TNameDialog()
    {
        setWindowTitle("Name");
        auto* layout = new QVBoxLayout(this);
        Edit = new QLineEdit(this);
        Ok = new QPushButton("&Ok", this);
        layout->addWidget(Edit);
        layout->addWidget(Ok);
        connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(this, &QDialog::finished, this, [this](int result) { Finished.push_back(result); });
    }

    QLineEdit* Edit;
    QPushButton* Ok;
    std::vector<int> Finished;
};

TEST(DialogScript, AnswerFillsTheShownDialogAndItsResultReachesTheCaller)
{
    TDialogScript script;
    bool shown = false;
    script.Answer([&](QDialog& dialog) {
        shown = dialog.isVisible();
        static_cast<TNameDialog&>(dialog).Edit->setText("Sales");
        return int(QDialog::Accepted);
    });
    TNameDialog dialog;
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Accepted);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Finished, std::vector<int>{QDialog::Accepted});
    EXPECT_EQ(dialog.Edit->text(), "Sales");
    ASSERT_EQ(script.Runs().size(), 1u);
    EXPECT_EQ(script.Runs()[0].Title, "Name");
    EXPECT_EQ(script.Runs()[0].ClassName, "QDialog") << "no Q_OBJECT of its own";
    EXPECT_EQ(script.UnexpectedCount(), 0);
}

TEST(DialogScript, AnswerMayPressTheDialogsOwnButtons)
{
    TDialogScript script;
    script.Answer([](QDialog& dialog) {
        static_cast<TNameDialog&>(dialog).Ok->click();
        return dialog.result();
    });
    script.Answer([](QDialog&) { return int(QDialog::Rejected); });
    TNameDialog dialog;
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Accepted);
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Rejected);
    EXPECT_EQ(dialog.Finished, (std::vector<int>{QDialog::Accepted, QDialog::Rejected}));
    EXPECT_EQ(script.PendingCount(), 0);
}

TEST(DialogScript, UnexpectedDialogIsRejectedUnseen)
{
    TDialogScript script;
    TNameDialog dialog;
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Rejected);
    EXPECT_TRUE(dialog.Finished.empty());
    EXPECT_EQ(script.UnexpectedCount(), 1);
}

TEST(DialogScript, ThrowingAnswerHidesTheDialogAndTheScriptsUnwind)
{
    TDialogScript outer;
    outer.Answer([](QDialog&) { return int(QDialog::Accepted); });
    TNameDialog dialog;
    {
        TDialogScript inner;
        inner.Answer([](QDialog&) -> int { throw std::runtime_error("failed"); });
        EXPECT_THROW(TDialogRunner::Run(dialog), std::runtime_error);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Accepted);
    EXPECT_EQ(outer.Runs().size(), 1u);
}

TEST(DialogRunner, RealRunIsModalAndReturnsTheResult)
{
    TNameDialog dialog;
    bool modal = false;
    TModalHandler accept([&](QWidget& widget) {
        modal = &widget == &dialog;
        dialog.Ok->click();
    });
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Accepted);
    EXPECT_TRUE(modal);

    TModalHandler reject([&](QWidget&) { dialog.reject(); });
    EXPECT_EQ(TDialogRunner::Run(dialog), QDialog::Rejected);
    EXPECT_TRUE(reject.Acted());
}

}  // namespace

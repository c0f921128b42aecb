#include "ui/MessageBox.h"

#include "ModalHandler.h"
#include "support/MessageBoxScript.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QApplication>
#include <QMessageBox>

#include <stdexcept>

namespace {

TEST(MessageBoxScript, QueuedAnswersReachTheCallerAndMessagesAreRecorded)
{
    TMessageBoxScript script;
    script.Answer(TMessageAnswer::Yes);
    script.Answer(TMessageAnswer::Ok);
    EXPECT_EQ(TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, "Delete?"),
              TMessageAnswer::Yes);
    EXPECT_EQ(TMessageBox::Show(TMessageKind::Information, TMessageButtons::Ok, "Done"),
              TMessageAnswer::Ok);
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown()[0].Kind, TMessageKind::Confirmation);
    EXPECT_EQ(script.Shown()[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(script.Shown()[0].Text, "Delete?");
    EXPECT_EQ(script.Shown()[1].Kind, TMessageKind::Information);
    EXPECT_EQ(script.UnexpectedCount(), 0);
    EXPECT_EQ(script.PendingCount(), 0);
}

struct TSafeCase
{
    TMessageButtons Buttons;
    TMessageAnswer Answer;
};

TEST(MessageBoxScript, UnexpectedMessageGetsTheSafeAnswer)
{
    const TSafeCase cases[] = {
        {TMessageButtons::Ok, TMessageAnswer::Ok},
        {TMessageButtons::OkCancel, TMessageAnswer::Cancel},
        {TMessageButtons::YesNo, TMessageAnswer::No},
        {TMessageButtons::YesNoCancel, TMessageAnswer::Cancel},
    };
    TMessageBoxScript script;
    for (const TSafeCase& c : cases)
        EXPECT_EQ(TMessageBox::Show(TMessageKind::Warning, c.Buttons, "?"), c.Answer);
    EXPECT_EQ(script.UnexpectedCount(), 4);
    ASSERT_EQ(script.Shown().size(), 4u);
    EXPECT_FALSE(script.Shown()[2].Expected);
}

TEST(MessageBoxScript, AnswerNotOfferedCountsAsUnexpected)
{
    TMessageBoxScript script;
    script.Answer(TMessageAnswer::Yes);
    script.Answer(TMessageAnswer::Ok);
    EXPECT_EQ(TMessageBox::Show(TMessageKind::Error, TMessageButtons::OkCancel, "x"), TMessageAnswer::Cancel);
    EXPECT_EQ(TMessageBox::Show(TMessageKind::Error, TMessageButtons::Ok, "y"), TMessageAnswer::Ok);
    EXPECT_EQ(script.UnexpectedCount(), 1);
    EXPECT_EQ(script.PendingCount(), 0);
}

TEST(MessageBoxScript, InnerScriptGivesWayToTheOuterEvenOnException)
{
    TMessageBoxScript outer;
    outer.Answer(TMessageAnswer::No);
    try {
        TMessageBoxScript inner;
        inner.Answer(TMessageAnswer::Yes);
        EXPECT_EQ(TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, "inner"),
                  TMessageAnswer::Yes);
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TMessageBox::Show(TMessageKind::Confirmation, TMessageButtons::YesNo, "outer"),
              TMessageAnswer::No);
    ASSERT_EQ(outer.Shown().size(), 1u);
    EXPECT_EQ(outer.Shown()[0].Text, "outer");
}

TEST(MessageBox, CarriageReturnsBecomeLineBreaks)
{
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"one line", "one line"},
        {"a\rb", "a\nb"},
        {"a\r\nb", "a\nb"},
        {"a\n\rb", "a\n\nb"},
        {"\r\rend\r", "\n\nend\n"},
    };
    for (const auto& [text, display] : cases)
        EXPECT_EQ(TMessageBox::DisplayText(text), display) << text.toStdString();
}

struct TRealCase
{
    TMessageKind Kind;
    TMessageButtons Buttons;
    QMessageBox::StandardButton Press;
    TMessageAnswer Answer;
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Offered;
    QMessageBox::StandardButton Default;
};

TEST(MessageBox, RealBoxShowsKindButtonsAndTextAndReturnsThePress)
{
    const TRealCase cases[] = {
        {TMessageKind::Information, TMessageButtons::Ok, QMessageBox::Ok, TMessageAnswer::Ok,
         QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok},
        {TMessageKind::Warning, TMessageButtons::OkCancel, QMessageBox::Cancel, TMessageAnswer::Cancel,
         QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok},
        {TMessageKind::Error, TMessageButtons::OkCancel, QMessageBox::Ok, TMessageAnswer::Ok,
         QMessageBox::Critical, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok},
        {TMessageKind::Confirmation, TMessageButtons::YesNo, QMessageBox::No, TMessageAnswer::No,
         QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
        {TMessageKind::Confirmation, TMessageButtons::YesNoCancel, QMessageBox::Yes, TMessageAnswer::Yes,
         QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes},
        {TMessageKind::Confirmation, TMessageButtons::YesNoCancel, QMessageBox::Cancel,
         TMessageAnswer::Cancel, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes},
    };
    for (const TRealCase& c : cases) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons offered;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QString title;
        QString text;
        TModalHandler handler([&](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            ASSERT_NE(box, nullptr);
            icon = box->icon();
            offered = box->standardButtons();
            defaultButton = box->standardButton(box->defaultButton());
            title = box->windowTitle();
            text = box->text();
            box->button(c.Press)->click();
        });
        EXPECT_EQ(TMessageBox::Show(c.Kind, c.Buttons, "First\rSecond"), c.Answer);
        EXPECT_TRUE(handler.Acted());
        EXPECT_EQ(icon, c.Icon);
        EXPECT_EQ(offered, c.Offered);
        EXPECT_EQ(defaultButton, c.Default);
        EXPECT_EQ(title, QApplication::applicationName());
        EXPECT_EQ(text, "First\nSecond");
    }
}

}  // namespace

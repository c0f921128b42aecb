#include "ui/FieldValidator.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A record field of six bytes: five of text and the NUL.
struct TSixBytes
{
    char Text[6];
};

TEST(FieldValidatorTest, TypingStopsWhereTheFieldIsFull)
{
    QLineEdit edit;
    TFieldValidator::Attach(edit, &TSixBytes::Text);
    QTest::keyClicks(&edit, "Budget meeting");
    EXPECT_EQ(edit.text(), "Budge");
}

TEST(FieldValidatorTest, CountsTheBytesOfTheStoredText)
{
    const TFieldValidator validator(6, nullptr);
    struct TCase
    {
        QString Input;
        QValidator::State State;
    };
    const TCase cases[] = {
        {"", QValidator::Acceptable},
        {"12345", QValidator::Acceptable},
        {"123456", QValidator::Invalid},
        // Two bytes each in the stored form: two fit beside a NUL, three do not.
        {QString::fromUtf8("a\u00e9\u00e9"), QValidator::Acceptable},
        {QString::fromUtf8("\u00e9\u00e9\u00e9"), QValidator::Invalid},
        {QString::fromUtf8("\u20ac\u20ac"), QValidator::Invalid},
        {"tab\there", QValidator::Invalid},
    };
    for (const TCase& c : cases) {
        QString input = c.Input;
        int pos = 0;
        EXPECT_EQ(validator.validate(input, pos), c.State) << c.Input.toStdString();
        EXPECT_EQ(input, c.Input);
    }
}

TEST(FieldValidatorTest, APasteThatWouldOverflowIsRefusedWhole)
{
    QLineEdit edit;
    TFieldValidator::Attach(edit, &TSixBytes::Text);
    edit.setText("ab");
    edit.end(false);
    edit.insert(QString::fromUtf8("\u00e9\u00e9"));
    EXPECT_EQ(edit.text(), "ab");
}

}  // namespace

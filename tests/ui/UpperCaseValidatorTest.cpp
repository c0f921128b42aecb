#include "ui/UpperCaseValidator.h"

#include "storage/Records.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(UpperCaseValidatorTest, TypedTextBecomesCapitalsWithinTheLimit)
{
    QLineEdit edit;
    TUpperCaseValidator::Attach(edit, &TUserRec::UserName);
    QTest::keyClicks(&edit, "jsmith-o'neil");
    EXPECT_EQ(edit.text(), "JSMITH-O'N");
}

// The field's bytes are counted on the capitals, as they are stored.
TEST(UpperCaseValidatorTest, RefusesWhatTheFieldCannotHold)
{
    const TUpperCaseValidator validator(6, nullptr);
    struct TCase
    {
        QString Input;
        QValidator::State State;
        QString Result;
    };
    const TCase cases[] = {
        {"abc", QValidator::Acceptable, "ABC"},
        {QString::fromUtf8("gr\u00fcn"), QValidator::Acceptable, QString::fromUtf8("GR\u00dcN")},
        {QString::fromUtf8("\u00ff"), QValidator::Acceptable, QString::fromUtf8("\u0178")},
        {QString::fromUtf8("\u20ac"), QValidator::Acceptable, QString::fromUtf8("\u20ac")},
        {QString::fromUtf8("\u00e9\u00e9\u00e9"), QValidator::Invalid, QString::fromUtf8("\u00e9\u00e9\u00e9")},
        {QString::fromUtf8("stra\u00df"), QValidator::Invalid, QString::fromUtf8("stra\u00df")},
        {"tab\there", QValidator::Invalid, "tab\there"},
    };
    for (const TCase& c : cases) {
        QString input = c.Input;
        int pos = 0;
        EXPECT_EQ(validator.validate(input, pos), c.State) << c.Input.toStdString();
        EXPECT_EQ(input, c.Result) << c.Input.toStdString();
    }
}

}  // namespace

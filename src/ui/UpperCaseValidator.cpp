#include "ui/UpperCaseValidator.h"

QValidator::State TUpperCaseValidator::validate(QString& input, int& pos) const
{
    // Upper-casing can lengthen the stored form (\u00DF becomes "SS"), so
    // the test is made on the result.
    QString upper = input.toUpper();
    const State state = TFieldValidator::validate(upper, pos);
    if (state == Acceptable)
        input = upper;
    return state;
}

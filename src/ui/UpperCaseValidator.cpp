#include "ui/UpperCaseValidator.h"

#include <QLineEdit>

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

void TUpperCaseValidator::Attach(QLineEdit& edit, int fieldWidth)
{
    edit.setMaxLength(fieldWidth - 1);
    edit.setValidator(new TUpperCaseValidator(fieldWidth, &edit));
}

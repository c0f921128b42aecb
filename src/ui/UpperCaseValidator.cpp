#include "ui/UpperCaseValidator.h"

#include <QLineEdit>

QValidator::State TUpperCaseValidator::validate(QString& input, int&) const
{
    // Upper-casing can leave Latin-1 (\u00FF becomes \u0178), so the test
    // is made on the result.
    const QString upper = input.toUpper();
    for (const QChar c : upper)
        if (c.unicode() > 0xFF || c.unicode() < 0x20)
            return Invalid;
    input = upper;
    return Acceptable;
}

void TUpperCaseValidator::Attach(QLineEdit& edit, int maxLength)
{
    edit.setMaxLength(maxLength);
    edit.setValidator(new TUpperCaseValidator(&edit));
}

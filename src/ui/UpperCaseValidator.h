#pragma once

#include "ui/FieldValidator.h"

class QLineEdit;

// Turns what is typed or pasted into capitals, within the bytes of a record
// field as TFieldValidator counts them.
class TUpperCaseValidator : public TFieldValidator
{
    Q_OBJECT
public:
    using TFieldValidator::TFieldValidator;
    State validate(QString& input, int& pos) const override;

    // Puts the validator on an edit for a field of fieldWidth bytes
    // (sizeof the record's field, NUL included).
    static void Attach(QLineEdit& edit, int fieldWidth);
};

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

    // Puts the validator on an edit for the record field named by a member
    // pointer (&TUserRec::UserName), as TFieldValidator::Attach does.
    template <class TRecord, std::size_t N> static void Attach(QLineEdit& edit, char (TRecord::*)[N])
    {
        Put(edit, new TUpperCaseValidator(static_cast<int>(N), nullptr));
    }
};

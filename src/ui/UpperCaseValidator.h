#pragma once

#include <QValidator>

class QLineEdit;

// Turns what is typed or pasted into capitals, and refuses characters that a
// single-byte record field cannot hold.
class TUpperCaseValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

    // Puts the validator on an edit limited to maxLength characters.
    static void Attach(QLineEdit& edit, int maxLength);
};

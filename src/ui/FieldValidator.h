#pragma once

#include <QValidator>

class QLineEdit;

// Keeps what is typed or pasted within a text field of a record: the text
// as stored (the local 8-bit encoding the views read back) fits the field
// with its terminating NUL, and holds no control characters. A plain
// length limit counts characters, which may take several bytes each.
class TFieldValidator : public QValidator
{
    Q_OBJECT
public:
    TFieldValidator(int fieldWidth, QObject* parent);
    State validate(QString& input, int& pos) const override;

    // Puts the validator on an edit for a field of fieldWidth bytes.
    static void Attach(QLineEdit& edit, int fieldWidth);

private:
    int FieldWidth_;
};

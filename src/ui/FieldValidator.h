#pragma once

#include <QValidator>

class QLineEdit;

// Keeps what is typed or pasted within a text field of a record: the text
// as stored (UTF-8, see EncodeText) fits the field with its terminating
// NUL, and holds no control characters. A plain length limit counts
// characters, which may take several bytes each.
class TFieldValidator : public QValidator
{
    Q_OBJECT
public:
    TFieldValidator(int fieldWidth, QObject* parent);
    State validate(QString& input, int& pos) const override;

    // Puts the validator on an edit for a field of fieldWidth bytes
    // (sizeof the record's field, NUL included).
    static void Attach(QLineEdit& edit, int fieldWidth);

private:
    int FieldWidth_;
};

#pragma once

#include <QValidator>

#include <cstddef>

class QLineEdit;

// Keeps what is typed or pasted within a text field of a record: the text
// as stored (UTF-8, see EncodeText) fits the field with its terminating
// NUL, and holds no control characters. A plain length limit counts
// characters, which may take several bytes each.
class TFieldValidator : public QValidator
{
    Q_OBJECT
public:
    // fieldWidth is the field's size in bytes, its NUL included.
    TFieldValidator(int fieldWidth, QObject* parent);
    State validate(QString& input, int& pos) const override;

    // Puts the validator on an edit for the record field named by a member
    // pointer (&TUserRec::FullName). The width comes from the field itself,
    // so no edit can be held to a count that is one short of it.
    template <class TRecord, std::size_t N> static void Attach(QLineEdit& edit, char (TRecord::*)[N])
    {
        Put(edit, new TFieldValidator(static_cast<int>(N), nullptr));
    }

protected:
    // Gives the edit the validator, which it then owns, and its length limit.
    static void Put(QLineEdit& edit, TFieldValidator* validator);

private:
    int FieldWidth_;
};

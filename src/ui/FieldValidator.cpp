#include "ui/FieldValidator.h"

#include "storage/Records.h"

#include <QLineEdit>

TFieldValidator::TFieldValidator(int fieldWidth, QObject* parent) : QValidator(parent), FieldWidth_(fieldWidth) {}

QValidator::State TFieldValidator::validate(QString& input, int&) const
{
    for (const QChar c : input)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return Invalid;
    return EncodeText(input).size() < static_cast<std::size_t>(FieldWidth_) ? Acceptable : Invalid;
}

void TFieldValidator::Put(QLineEdit& edit, TFieldValidator* validator)
{
    validator->setParent(&edit);
    edit.setMaxLength(validator->FieldWidth_ - 1);
    edit.setValidator(validator);
}

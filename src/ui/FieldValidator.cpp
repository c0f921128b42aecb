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

void TFieldValidator::Attach(QLineEdit& edit, int fieldWidth)
{
    edit.setMaxLength(fieldWidth - 1);
    edit.setValidator(new TFieldValidator(fieldWidth, &edit));
}

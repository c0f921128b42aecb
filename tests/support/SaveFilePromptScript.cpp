#include "support/SaveFilePromptScript.h"

std::optional<QString> TSaveFilePromptScript::Prompt(QWidget*, const QString& caption, const QString&, const QString&)
{
    return Next(caption);
}

#include "support/OpenFilePromptScript.h"

std::optional<QString> TOpenFilePromptScript::Prompt(QWidget*, const QString& caption, const QString&)
{
    return Next(caption);
}

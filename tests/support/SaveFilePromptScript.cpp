#include "support/SaveFilePromptScript.h"

std::optional<QString> TSaveFilePromptScript::Prompt(QWidget*, const QString& caption, const QString&, const QString&,
                                                     const QString& proposed)
{
    Proposed_.push_back(proposed);
    return Next(caption);
}

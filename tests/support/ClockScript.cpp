#include "support/ClockScript.h"

TClockScript::TClockScript(QDateTime fixed) : Source_([fixed] { return fixed; }) {}

TClockScript::TClockScript(TSource source) : Source_(std::move(source)) {}

void TClockScript::Set(QDateTime now)
{
    Source_ = [now] { return now; };
}

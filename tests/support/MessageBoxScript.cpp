#include "support/MessageBoxScript.h"

#include <algorithm>

void TMessageBoxScript::Answer(TMessageAnswer answer)
{
    Answers_.push_back(answer);
}

int TMessageBoxScript::UnexpectedCount() const
{
    return static_cast<int>(std::count_if(Shown_.begin(), Shown_.end(),
                                          [](const TShownMessage& shown) { return !shown.Expected; }));
}

TMessageAnswer TMessageBoxScript::Ask(TMessageKind kind, TMessageButtons buttons, const QString& text)
{
    bool expected = false;
    TMessageAnswer answer = SafeAnswer(buttons);
    if (!Answers_.empty()) {
        expected = Offers(buttons, Answers_.front());
        if (expected)
            answer = Answers_.front();
        Answers_.pop_front();
    }
    Shown_.push_back({kind, buttons, text, expected});
    return answer;
}

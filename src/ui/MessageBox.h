#pragma once

#include "seam/Seam.h"

#include <QString>

enum class TMessageKind { Warning, Error, Information, Confirmation };
// ChooseRetryExit: "&Choose folder...", "&Try again" and "E&xit", for a
// database folder that cannot be opened.
// OccurrenceChoice: "&This occurrence", "This and &following", "&All
// occurrences" and Cancel, for one occurrence of a repeating event.
enum class TMessageButtons { Ok, OkCancel, YesNo, YesNoCancel, ChooseRetryExit, OccurrenceChoice };
enum class TMessageAnswer { Ok, Cancel, Yes, No, Choose, Retry, Exit, ThisOccurrence, Following, AllOccurrences };

// Message boxes of the program. Texts use '\r' as their line break.
class TMessageBox
{
public:
    virtual ~TMessageBox() = default;

    // Shows the message through the current implementation and returns the
    // button pressed.
    static TMessageAnswer Show(TMessageKind kind, TMessageButtons buttons, const QString& text);
    // An information with only OK, for the program's own fixed texts.
    static void Inform(const char* text);

    // '\r\n' and a lone '\r' become '\n'.
    static QString DisplayText(const QString& text);

    // The Qt message box, titled with the application name.
    static TMessageBox& Real();

protected:
    // The answer that goes on with nothing: Cancel, else No, else Exit,
    // else Ok.
    static TMessageAnswer SafeAnswer(TMessageButtons buttons);
    static bool Offers(TMessageButtons buttons, TMessageAnswer answer);

    virtual TMessageAnswer Ask(TMessageKind kind, TMessageButtons buttons, const QString& text) = 0;
};

#pragma once

class QComboBox;
class TDateEdit;
class TStamp;

// The date edit and the hour and five-minute boxes that the event and the
// alarm dialogs show a stamp in.
class TTimeBoxes
{
public:
    TTimeBoxes(TDateEdit& date, QComboBox& hour, QComboBox& minute);

    // "00" to "23"; "00", "05" ... "55".
    void Fill();
    // The stamp's date, its hour, and the five-minute step at or below its
    // minute.
    void Show(const TStamp& stamp);
    // The shown date at 00:00:00, plus the hour and the minute step unless
    // dateOnly. A date outside the stamp's years throws EStamp.
    void Take(TStamp& stamp, bool dateOnly) const;

private:
    TDateEdit& Date_;
    QComboBox& Hour_;
    QComboBox& Minute_;
};

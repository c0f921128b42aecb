#pragma once

#include <QDate>
#include <QGroupBox>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class TDateEdit;
struct TRecurrenceRule;

// The event editor's "Repeat" section: how often, on which weekdays or
// which day of the month, and until when, with the rule in words below.
// Checked, it gives the rule as RRULE text; unchecked, none. A rule
// written elsewhere that these controls cannot show is kept as it was
// until the user changes one of them.
class TRepeatBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit TRepeatBox(QWidget* parent = nullptr);

    // Shows the rule (none: not repeating) of an event that starts on start.
    void Load(const std::string& rrule, const QDate& start);
    // The rule shown, or none when the box is unchecked. An end date that
    // reads as no date throws EDateEdit.
    std::string Take() const;

    QComboBox* cmbFrequency;
    QSpinBox* spnInterval;
    QLabel* lblUnit;
    QCheckBox* chkWeekdays[7];
    QRadioButton* rdoMonthDay;
    QComboBox* cmbMonthDay;
    QRadioButton* rdoMonthWeekday;
    QComboBox* cmbOrdinal;
    QComboBox* cmbOrdinalWeekday;
    QRadioButton* rdoEndNever;
    QRadioButton* rdoEndOn;
    TDateEdit* cmbUntil;
    QRadioButton* rdoEndAfter;
    QSpinBox* spnCount;
    QLabel* lblWords;

private:
    TRecurrenceRule Shown() const;
    void Show(const TRecurrenceRule& rule);
    void Changed();
    void UpdateWords();

    std::string Foreign_;  // a rule the controls cannot show, while untouched
    QDate Start_;
    bool Loading_ = false;
};

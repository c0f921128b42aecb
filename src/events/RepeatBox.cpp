#include "events/RepeatBox.h"

#include "series/RecurrenceRule.h"
#include "ui/DateEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

using TFrequency = TRecurrenceRule::TFrequency;
using TEnd = TRecurrenceRule::TEnd;

const char* const kDayLetters[] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
const char* const kDayNames[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char* const kUnits[] = {"day(s)", "week(s)", "month(s)", "year(s)"};

}  // namespace

TRepeatBox::TRepeatBox(QWidget* parent) : QGroupBox(QStringLiteral("&Repeat"), parent)
{
    setCheckable(true);
    setChecked(false);
    cmbFrequency = new QComboBox(this);
    cmbFrequency->addItems({QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly"),
                            QStringLiteral("Yearly")});
    spnInterval = new QSpinBox(this);
    spnInterval->setRange(1, 99);
    lblUnit = new QLabel(this);
    auto* every = new QHBoxLayout;
    every->addWidget(cmbFrequency);
    every->addWidget(new QLabel(QStringLiteral("every"), this));
    every->addWidget(spnInterval);
    every->addWidget(lblUnit);
    every->addStretch();
    auto* days = new QHBoxLayout;
    for (int day = 0; day < 7; ++day) {
        chkWeekdays[day] = new QCheckBox(QLatin1String(kDayLetters[day]), this);
        days->addWidget(chkWeekdays[day]);
    }
    days->addStretch();
    rdoMonthDay = new QRadioButton(QStringLiteral("On day"), this);
    cmbMonthDay = new QComboBox(this);
    for (int day = 1; day <= 31; ++day)
        cmbMonthDay->addItem(QString::number(day), day);
    cmbMonthDay->addItem(QStringLiteral("last"), -1);
    rdoMonthWeekday = new QRadioButton(QStringLiteral("On the"), this);
    cmbOrdinal = new QComboBox(this);
    const char* const ordinals[] = {"first", "second", "third", "fourth", "fifth"};
    for (int n = 1; n <= 5; ++n)
        cmbOrdinal->addItem(QLatin1String(ordinals[n - 1]), n);
    cmbOrdinal->addItem(QStringLiteral("last"), -1);
    cmbOrdinalWeekday = new QComboBox(this);
    for (const char* name : kDayNames)
        cmbOrdinalWeekday->addItem(QLatin1String(name));
    auto* month = new QHBoxLayout;
    month->addWidget(rdoMonthDay);
    month->addWidget(cmbMonthDay);
    month->addWidget(rdoMonthWeekday);
    month->addWidget(cmbOrdinal);
    month->addWidget(cmbOrdinalWeekday);
    month->addStretch();
    rdoEndNever = new QRadioButton(QStringLiteral("No end"), this);
    rdoEndOn = new QRadioButton(QStringLiteral("Until"), this);
    cmbUntil = new TDateEdit(this);
    rdoEndAfter = new QRadioButton(QStringLiteral("After"), this);
    spnCount = new QSpinBox(this);
    spnCount->setRange(1, 999);
    auto* end = new QHBoxLayout;
    end->addWidget(rdoEndNever);
    end->addWidget(rdoEndOn);
    end->addWidget(cmbUntil);
    end->addWidget(rdoEndAfter);
    end->addWidget(spnCount);
    end->addWidget(new QLabel(QStringLiteral("times"), this));
    end->addStretch();
    lblWords = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(every);
    layout->addLayout(days);
    layout->addLayout(month);
    layout->addLayout(end);
    layout->addWidget(lblWords);

    const auto changed = [this] { Changed(); };
    connect(this, &QGroupBox::toggled, this, changed);
    connect(cmbFrequency, &QComboBox::currentIndexChanged, this, changed);
    connect(spnInterval, &QSpinBox::valueChanged, this, changed);
    for (QCheckBox* day : chkWeekdays)
        connect(day, &QCheckBox::toggled, this, changed);
    for (QRadioButton* button : {rdoMonthDay, rdoMonthWeekday, rdoEndNever, rdoEndOn, rdoEndAfter})
        connect(button, &QRadioButton::toggled, this, changed);
    for (QComboBox* box : {cmbMonthDay, cmbOrdinal, cmbOrdinalWeekday})
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    connect(cmbUntil, &QLineEdit::textChanged, this, changed);
    connect(spnCount, &QSpinBox::valueChanged, this, changed);
}

void TRepeatBox::Load(const std::string& rrule, const QDate& start)
{
    Loading_ = true;
    Start_ = start;
    Foreign_.clear();
    TRecurrenceRule rule;
    rule.Weekdays = {start.dayOfWeek()};
    rule.MonthDay = start.day();
    if (const std::optional<TRecurrenceRule> read = TRecurrenceRule::FromRRule(rrule))
        rule = *read;
    else if (TRecurrenceRule::Readable(rrule))
        Foreign_ = rrule;
    setChecked(!rrule.empty());
    Show(rule);
    Loading_ = false;
    UpdateWords();
}

void TRepeatBox::Show(const TRecurrenceRule& rule)
{
    cmbFrequency->setCurrentIndex(static_cast<int>(rule.Frequency));
    spnInterval->setValue(rule.Interval);
    for (int day = 0; day < 7; ++day)
        chkWeekdays[day]->setChecked(std::find(rule.Weekdays.begin(), rule.Weekdays.end(), day + 1) !=
                                     rule.Weekdays.end());
    const bool byWeekday = rule.Ordinal != 0;
    rdoMonthWeekday->setChecked(byWeekday);
    rdoMonthDay->setChecked(!byWeekday);
    const int monthDay = rule.MonthDay != 0 ? rule.MonthDay : Start_.day();
    cmbMonthDay->setCurrentIndex(cmbMonthDay->findData(monthDay));
    const int ordinal = byWeekday ? rule.Ordinal : (Start_.day() - 1) / 7 + 1;
    cmbOrdinal->setCurrentIndex(cmbOrdinal->findData(ordinal));
    cmbOrdinalWeekday->setCurrentIndex((byWeekday ? rule.OrdinalWeekday : Start_.dayOfWeek()) - 1);
    rdoEndNever->setChecked(rule.End == TEnd::Never);
    rdoEndOn->setChecked(rule.End == TEnd::OnDate);
    rdoEndAfter->setChecked(rule.End == TEnd::AfterCount);
    cmbUntil->SetDate(rule.End == TEnd::OnDate ? rule.Until : Start_.addMonths(3));
    spnCount->setValue(rule.End == TEnd::AfterCount ? rule.Count : 10);
}

TRecurrenceRule TRepeatBox::Shown() const
{
    TRecurrenceRule rule;
    rule.Frequency = static_cast<TFrequency>(cmbFrequency->currentIndex());
    rule.Interval = spnInterval->value();
    if (rule.Frequency == TFrequency::Weekly)
        for (int day = 0; day < 7; ++day)
            if (chkWeekdays[day]->isChecked())
                rule.Weekdays.push_back(day + 1);
    if (rule.Frequency == TFrequency::Monthly) {
        if (rdoMonthWeekday->isChecked()) {
            rule.Ordinal = cmbOrdinal->currentData().toInt();
            rule.OrdinalWeekday = cmbOrdinalWeekday->currentIndex() + 1;
        } else {
            rule.MonthDay = cmbMonthDay->currentData().toInt();
        }
    }
    if (rdoEndOn->isChecked()) {
        rule.End = TEnd::OnDate;
        rule.Until = cmbUntil->Date();
    } else if (rdoEndAfter->isChecked()) {
        rule.End = TEnd::AfterCount;
        rule.Count = spnCount->value();
    }
    return rule;
}

std::string TRepeatBox::Take() const
{
    if (!isChecked())
        return {};
    if (!Foreign_.empty())
        return Foreign_;
    return Shown().RRule();
}

void TRepeatBox::Changed()
{
    if (Loading_)
        return;
    Foreign_.clear();
    UpdateWords();
}

void TRepeatBox::UpdateWords()
{
    const TFrequency frequency = static_cast<TFrequency>(cmbFrequency->currentIndex());
    lblUnit->setText(QLatin1String(kUnits[cmbFrequency->currentIndex()]));
    for (QCheckBox* day : chkWeekdays)
        day->setVisible(frequency == TFrequency::Weekly);
    for (QWidget* widget : std::initializer_list<QWidget*>{rdoMonthDay, cmbMonthDay, rdoMonthWeekday, cmbOrdinal,
                                                          cmbOrdinalWeekday})
        widget->setVisible(frequency == TFrequency::Monthly);
    cmbUntil->setEnabled(rdoEndOn->isChecked());
    spnCount->setEnabled(rdoEndAfter->isChecked());
    if (!isChecked()) {
        lblWords->setText(QStringLiteral("Does not repeat"));
        return;
    }
    if (!Foreign_.empty()) {
        lblWords->setText(TRecurrenceRule::WordsFor(Foreign_));
        return;
    }
    try {
        lblWords->setText(Shown().Words());
    } catch (const EDateEdit&) {
        lblWords->setText(QString());
    }
}

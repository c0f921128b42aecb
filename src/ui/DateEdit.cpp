#include "ui/DateEdit.h"

#include "storage/Clock.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QStyle>

namespace {

constexpr int CenturyStart = 1970;

// A number of one to maxDigits digits, or -1.
int Number(const QString& part, int maxDigits)
{
    if (part.isEmpty() || part.size() > maxDigits)
        return -1;
    for (const QChar c : part)
        if (c < u'0' || c > u'9')
            return -1;
    return part.toInt();
}

// One or two digits name a year of the hundred years from 1970.
int FullYear(const QString& part)
{
    const int year = Number(part, 4);
    if (year < 0 || part.size() > 2)
        return year;
    const int century = CenturyStart / 100 * 100;
    return year < CenturyStart % 100 ? century + 100 + year : century + year;
}

}  // namespace

TDateEdit::TDateEdit(QWidget* parent)
    : QLineEdit(parent), Order_(OrderOf(QLocale())), Calendar_(new QCalendarWidget(this))
{
    Calendar_->setWindowFlags(Qt::Popup);
    Calendar_->setFirstDayOfWeek(Qt::Monday);
    Calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar_->hide();
    connect(Calendar_, &QCalendarWidget::clicked, this, &TDateEdit::Pick);
    connect(Calendar_, &QCalendarWidget::activated, this, &TDateEdit::Pick);

    QAction* drop = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    drop->setText(QStringLiteral("Open calendar"));
    connect(drop, &QAction::triggered, this, &TDateEdit::DropDown);
    connect(this, &QLineEdit::editingFinished, this, &TDateEdit::Tidy);
}

QDate TDateEdit::Date() const
{
    const std::optional<QDate> date = Parsed();
    if (!date)
        throw EDateEdit(QStringLiteral("'%1' is not a valid date").arg(text()).toStdString());
    return *date;
}

void TDateEdit::SetDate(const QDate& date)
{
    setText(Format(date, Order_));
}

void TDateEdit::DropDown()
{
    if (isReadOnly())
        return;
    Calendar_->setSelectedDate(Parsed().value_or(TClock::Now().date()));
    Calendar_->adjustSize();
    Calendar_->move(mapToGlobal(rect().bottomLeft()));
    Calendar_->show();
    Calendar_->setFocus();
}

std::optional<QDate> TDateEdit::Parse(const QString& text, const QDate& today, TDateOrder order)
{
    const QString trimmed = text.trimmed();
    if (trimmed == u'/')
        return today;
    static const QRegularExpression separators(QStringLiteral("[/.\\-\\s]+"));
    const QStringList parts = trimmed.split(separators);
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;

    // Where day, month and year stand; two parts have no year.
    int day = 0;
    int month = 1;
    int year = 2;
    if (order == TDateOrder::MonthDayYear) {
        month = 0;
        day = 1;
    } else if (order == TDateOrder::YearMonthDay) {
        const int shift = parts.size() == 3 ? 1 : 0;
        year = 0;
        month = shift;
        day = shift + 1;
    }

    const int d = Number(parts[day], 2);
    const int m = Number(parts[month], 2);
    const int y = parts.size() == 3 ? FullYear(parts[year]) : today.year();
    if (d < 0 || m < 0 || y <= 0 || !QDate::isValid(y, m, d))
        return std::nullopt;
    return QDate(y, m, d);
}

TDateOrder TDateEdit::OrderOf(const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = format.indexOf(u'd');
    const qsizetype m = format.indexOf(u'M');
    const qsizetype y = format.indexOf(u'y');
    if (d < 0 || m < 0 || y < 0)
        return TDateOrder::DayMonthYear;
    if (y < m && m < d)
        return TDateOrder::YearMonthDay;
    return m < d ? TDateOrder::MonthDayYear : TDateOrder::DayMonthYear;
}

QString TDateEdit::Format(const QDate& date, TDateOrder order)
{
    switch (order) {
    case TDateOrder::MonthDayYear:
        return date.toString(QStringLiteral("MM/dd/yyyy"));
    case TDateOrder::YearMonthDay:
        return date.toString(QStringLiteral("yyyy/MM/dd"));
    case TDateOrder::DayMonthYear:
        break;
    }
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

void TDateEdit::keyPressEvent(QKeyEvent* event)
{
    const bool wholeText = text().isEmpty() || selectedText() == text();
    if (event->text() == QStringLiteral("/") && wholeText && !isReadOnly()) {
        SetDate(TClock::Now().date());
        return;
    }
    if ((event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier) ||
        (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        DropDown();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDateEdit::hideEvent(QHideEvent* event)
{
    Calendar_->hide();
    QLineEdit::hideEvent(event);
}

std::optional<QDate> TDateEdit::Parsed() const
{
    return Parse(text(), TClock::Now().date(), Order_);
}

void TDateEdit::Pick(const QDate& date)
{
    Calendar_->hide();
    SetDate(date);
    setFocus();
}

// A date typed short is shown in full once the user leaves it, so he sees
// which date was understood; a text that is no date stays for him to mend.
void TDateEdit::Tidy()
{
    if (const std::optional<QDate> date = Parsed())
        SetDate(*date);
}

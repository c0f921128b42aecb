#include "views/MonthView.h"

#include "storage/Clock.h"
#include "views/DayViewList.h"
#include "views/Glyphs.h"
#include "views/MonthViewAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <exception>

namespace {

constexpr int kColumns = 7;
constexpr int kCategoryMark = 3;

bool IsId(const std::string& id)
{
    return !id.empty() && id != kNoneId;
}

}  // namespace

TMonthView::TMonthView(QWidget* parent) : TCalendarView(parent)
{
    setFont(TFont().QtFont());
    setFocusPolicy(Qt::StrongFocus);
    TMonthViewAccessible::Install();
    ListColor_ = palette().color(QPalette::Base);
    HeaderColor_ = palette().color(QPalette::Button);
    ShowDate(TClock::Now());
}

int TMonthView::LineHeight() const
{
    return TDayViewList::LineHeight;
}

int TMonthView::TitleHeight() const
{
    return fontMetrics().height() + 8;
}

int TMonthView::HeaderHeight() const
{
    return fontMetrics().height() + 4;
}

QRect TMonthView::DayRect(int index) const
{
    const QRect client = contentsRect();
    const int top = client.top() + TitleHeight() + HeaderHeight();
    const int width = client.width() / kColumns;
    const int height = std::max(0, client.bottom() + 1 - top) / Weeks;
    return {client.left() + (index % kColumns) * width, top + (index / kColumns) * height, width, height};
}

int TMonthView::FittingEntries(int index) const
{
    const int lines = std::max(0, DayRect(index).height() - LineHeight() - 2) / LineHeight();
    const int count = Entries(index).EntryCount();
    // The last line says how many more there are when not all fit.
    return count <= lines ? count : std::max(0, lines - 1);
}

int TMonthView::DayAt(const QPoint& point) const
{
    for (int index = 0; index < DayCount; ++index)
        if (DayRect(index).contains(point))
            return index;
    return -1;
}

void TMonthView::ShowDate(const QDateTime& value)
{
    Stamp_.SetDateTime(value);
    const QDate day = SelectedDay();
    const QDate first(day.year(), day.month(), 1);
    First_ = first.addDays(1 - first.dayOfWeek());
    Reload();
}

void TMonthView::Step(int pages)
{
    ShowDate(CurrentDateTime().addMonths(pages));
}

std::pair<QDate, QDate> TMonthView::DefaultRange() const
{
    const QDate day = SelectedDay();
    return {QDate(day.year(), day.month(), 1), QDate(day.year(), day.month(), day.daysInMonth())};
}

void TMonthView::Reload()
{
    for (int index = 0; index < DayCount; ++index) {
        TDayEntries& entries = Days_[static_cast<std::size_t>(index)];
        entries.ClearEntries();
        TStamp midnight;
        try {
            midnight.SetDateTime(QDateTime(First_.addDays(index), QTime(0, 0)));
        } catch (const EStamp&) {
            // The grid's edge may reach past the last day a stamp holds.
            entries.SetDay({});
            continue;
        }
        entries.SetDay(midnight.MidnightText());
        if (OnWantDayEntries)
            OnWantDayEntries(this, midnight.MidnightText(), entries);
    }
    update();
}

void TMonthView::SetDisplayOptions(const TDisplayOptions& options)
{
    Options_ = options;
    update();
}

void TMonthView::SetListColor(const QColor& color)
{
    ListColor_ = color;
    update();
}

void TMonthView::SetHeaderColor(const QColor& color)
{
    HeaderColor_ = color;
    update();
}

QString TMonthView::Title() const
{
    return QLocale().standaloneMonthName(SelectedDay().month()) + QLatin1Char(' ') + QString::number(SelectedDay().year());
}

QString TMonthView::SpokenDay(int index) const
{
    const TDayEntries& entries = Entries(index);
    QString text = TDayViewList::SpokenDay(First_.addDays(index), entries.EntryCount());
    const auto names = [this](const std::string& pk, std::string& name) {
        if (OnWantUserName)
            OnWantUserName(const_cast<TMonthView*>(this), pk, name);
    };
    QStringList spoken;
    for (int entry = 0; entry < entries.EntryCount(); ++entry) {
        TDayEntryRec record;
        entries.GetEntry(entry, record);
        const std::string id = entries.GetEntryId(entry);
        TDayViewList::TSpokenMarks marks;
        auto* self = const_cast<TMonthView*>(this);
        try {
            const std::string categoryId = FieldText(record.CategoryId);
            if (Options_.ShowCategories && IsId(categoryId) && OnWantCategoryDescription) {
                std::string category;
                OnWantCategoryDescription(self, categoryId, category);
                marks.Category = DecodeText(category);
            }
            if (Options_.ShowAlarmGlyphs && OnWantAlarmedFlag)
                OnWantAlarmedFlag(self, id, marks.Alarmed);
            if (OnWantRepeatedFlag)
                OnWantRepeatedFlag(self, id, marks.Repeated);
            spoken << TDayViewList::SpokenEntry(record, entries.GetDetails(entry), entries.Day(),
                                                TDayViewList::AssigneeNames(record, names), marks);
        } catch (const std::exception& error) {
            qWarning("Month day %d: %s", index, error.what());
            spoken << DecodeText(FieldText(record.Description));
        }
    }
    if (!spoken.isEmpty())
        text += QStringLiteral(": ") + spoken.join(QStringLiteral("; "));
    return text;
}

void TMonthView::Select(const QDate& day)
{
    const QDate shown = SelectedDay();
    QDateTime value = CurrentDateTime();
    value.setDate(day);
    try {
        if (day.year() == shown.year() && day.month() == shown.month()) {
            Stamp_.SetDateTime(value);
            update();
        } else {
            ShowDate(value);
        }
    } catch (const EStamp&) {
        QApplication::beep();
        return;
    }
    // The selected day is the focused item a screen reader follows.
    if (hasFocus() && QAccessible::isActive()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(static_cast<int>(First_.daysTo(SelectedDay())));
        QAccessible::updateAccessibility(&focus);
    }
}

void TMonthView::paintEvent(QPaintEvent* event)
{
    TPanel::paintEvent(event);
    QPainter painter(this);
    const QRect client = contentsRect();
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect title(client.left(), client.top(), client.width(), TitleHeight());
    painter.drawText(title, Qt::AlignCenter, Title());
    painter.setFont(font());
    for (int column = 0; column < kColumns; ++column) {
        const QRect cell = DayRect(column);
        const QRect header(cell.left(), title.bottom() + 1, cell.width(), HeaderHeight());
        painter.fillRect(header, HeaderColor_);
        painter.drawText(header, Qt::AlignCenter, QLocale().standaloneDayName(column + 1, QLocale::ShortFormat));
    }
    for (int index = 0; index < DayCount; ++index)
        PaintDay(painter, index);
}

void TMonthView::PaintDay(QPainter& painter, int index)
{
    const QRect cell = DayRect(index);
    const QDate day = First_.addDays(index);
    const bool inMonth = day.month() == SelectedDay().month();
    painter.fillRect(cell, inMonth ? ListColor_ : ListColor_.darker(108));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(cell.adjusted(0, 0, -1, -1));

    QFont number = font();
    number.setBold(day == TClock::Now().date());
    painter.setFont(number);
    const QRect numberRect(cell.left() + 3, cell.top() + 1, cell.width() - 6, LineHeight());
    if (number.bold()) {
        painter.fillRect(numberRect, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::HighlightedText));
    } else {
        painter.setPen(palette().color(inMonth ? QPalette::WindowText : QPalette::PlaceholderText));
    }
    painter.drawText(numberRect, Qt::AlignLeft | Qt::AlignVCenter, QString::number(day.day()));

    const TDayEntries& entries = Entries(index);
    const int shown = FittingEntries(index);
    QRect line(cell.left() + 2, numberRect.bottom() + 2, cell.width() - 4, LineHeight());
    for (int entry = 0; entry < shown; ++entry, line.translate(0, LineHeight()))
        PaintEntry(painter, entries, entry, line);
    if (shown < entries.EntryCount()) {
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("+%1 more").arg(entries.EntryCount() - shown));
    }

    if (day == SelectedDay()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(cell.adjusted(1, 1, -1, -1));
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = cell.adjusted(3, 3, -3, -3);
            focus.backgroundColor = ListColor_;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
}

void TMonthView::PaintEntry(QPainter& painter, const TDayEntries& entries, int entry, const QRect& line)
{
    TDayEntryRec record;
    entries.GetEntry(entry, record);
    const std::string id = entries.GetEntryId(entry);
    painter.save();
    painter.setClipRect(line);
    int x = line.left();
    const std::string categoryId = FieldText(record.CategoryId);
    if (Options_.ShowCategories && IsId(categoryId) && OnWantCategoryColour) {
        QColor colour;
        OnWantCategoryColour(this, categoryId, colour);
        if (colour.isValid())
            painter.fillRect(QRect(x, line.top() + 1, kCategoryMark, line.height() - 2), colour);
        x += kCategoryMark + 2;
    }
    const QString time = TDayViewList::TimeText(record, entries.GetDetails(entry), entries.Day());
    TextOut(painter, x, line.top() + 1, Options_.TimeFont, time);
    x += TextWidth(Options_.TimeFont, time) + 3;

    const bool isPrivate = (record.Flags & efPrivate) != 0;
    if (Options_.ShowPrivateGlyphs && isPrivate) {
        painter.drawImage(x, line.top(), TGlyphs::Private());
        x += TGlyphs::Size;
    }
    bool alarmed = false;
    if (Options_.ShowAlarmGlyphs && OnWantAlarmedFlag)
        OnWantAlarmedFlag(this, id, alarmed);
    if (alarmed) {
        painter.drawImage(x, line.top(), TGlyphs::Alarm());
        x += TGlyphs::Size;
    }
    bool repeated = false;
    if (OnWantRepeatedFlag)
        OnWantRepeatedFlag(this, id, repeated);
    if (repeated) {
        painter.drawImage(x, line.top(), TGlyphs::Repeat());
        x += TGlyphs::Size;
    }

    const TFont& descriptionFont = isPrivate ? Options_.PrivateFont : Options_.DescriptionFont;
    const QString description = DecodeText(FieldText(record.Description));
    TextOut(painter, x, line.top() + 1, descriptionFont, description);
    x += TextWidth(descriptionFont, description) + 5;
    const QString assignees = TDayViewList::AssigneeText(record, [this](const std::string& pk, std::string& name) {
        if (OnWantUserName)
            OnWantUserName(this, pk, name);
    });
    TextOut(painter, x, line.top() + 1, Options_.AssigneeFont, assignees);
    painter.restore();
}

void TMonthView::mousePressEvent(QMouseEvent* event)
{
    TCalendarView::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    if (const int index = DayAt(event->position().toPoint()); index >= 0 && event->button() == Qt::LeftButton)
        Select(First_.addDays(index));
}

void TMonthView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int index = DayAt(event->position().toPoint());
    if (index < 0 || event->button() != Qt::LeftButton)
        return;
    Select(First_.addDays(index));
    if (OnOpenDay)
        OnOpenDay(this);
}

void TMonthView::keyPressEvent(QKeyEvent* event)
{
    const QDate day = SelectedDay();
    switch (event->key()) {
    case Qt::Key_Left:
        Select(day.addDays(-1));
        break;
    case Qt::Key_Right:
        Select(day.addDays(1));
        break;
    case Qt::Key_Up:
        Select(day.addDays(-7));
        break;
    case Qt::Key_Down:
        Select(day.addDays(7));
        break;
    case Qt::Key_PageUp:
        Select(day.addMonths(-1));
        break;
    case Qt::Key_PageDown:
        Select(day.addMonths(1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (OnOpenDay)
            OnOpenDay(this);
        break;
    default:
        TCalendarView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TMonthView::focusInEvent(QFocusEvent* event)
{
    TCalendarView::focusInEvent(event);
    update();
}

void TMonthView::focusOutEvent(QFocusEvent* event)
{
    TCalendarView::focusOutEvent(event);
    update();
}

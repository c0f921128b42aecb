#include "views/DayViewList.h"

#include "views/DayEntries.h"
#include "views/Glyphs.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QToolTip>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <exception>

namespace {


bool IsId(const std::string& id)
{
    return !id.empty() && id != kNoneId;
}

QString Text(const std::string& text)
{
    return DecodeText(text);
}

// Hands the drawing and measuring of rows to the list, and outlines the
// focused row with the style's focus rectangle.
class TRowDelegate : public QAbstractItemDelegate
{
public:
    explicit TRowDelegate(TDayViewList* list) : QAbstractItemDelegate(list), List_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setClipRect(option.rect, Qt::IntersectClip);
        // An exception must not leave a paint event: Qt cannot pass it on, and
        // the next repaint would meet it again. The row stays as far as drawn.
        try {
            List_->DrawItem(*painter, index.row(), option.rect);
        } catch (const std::exception& error) {
            qWarning("Day list row %d: %s", index.row(), error.what());
        }
        painter->restore();
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.initFrom(List_);
            focus.rect = option.rect;
            focus.state |= QStyle::State_KeyboardFocusChange;
            focus.backgroundColor = List_->ListColor();
            List_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, List_);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (List_->DisplayMode() == dmSingle)
            return QSize(option.rect.width(), TDayViewList::LineHeight);
        return QSize(option.rect.width(), List_->MeasureItem(index.row()));
    }

private:
    TDayViewList* List_;
};

// A row's text is made when a screen reader asks for it, from the entry it
// stands for now: rows hold no copy that could go stale.
class TRowItem : public QListWidgetItem
{
public:
    QVariant data(int role) const override
    {
        if (role == Qt::AccessibleTextRole)
            if (auto* list = qobject_cast<const TDayViewList*>(listWidget()))
                return list->SpokenRow(list->row(this));
        return QListWidgetItem::data(role);
    }
};

}  // namespace

TDayViewList::TDayViewList(QWidget* parent)
    : QListWidget(parent),
      TimeFont_(QColor(0xFF, 0x00, 0x00), 0),
      AlarmGlyph_(TGlyphs::Alarm()),
      PrivateFont_(QColor(0x00, 0x00, 0x80), fsBold),
      PrivateGlyph_(TGlyphs::Private()),
      AssigneeFont_(QColor(0x00, 0x80, 0x00), 0),
      CategoryFont_(QColor(0x00, 0x80, 0x80), 0),
      DescriptionFont_(QColor(0x00, 0x00, 0x80), 0)
{
    setItemDelegate(new TRowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setFont(TFont().QtFont());
    FrameChanged();
}

void TDayViewList::SetTimeFont(const TFont& font)
{
    TimeFont_ = font;
    FontChanged();
}

void TDayViewList::SetPrivateFont(const TFont& font)
{
    PrivateFont_ = font;
    FontChanged();
}

void TDayViewList::SetAssigneeFont(const TFont& font)
{
    AssigneeFont_ = font;
    FontChanged();
}

void TDayViewList::SetCategoryFont(const TFont& font)
{
    CategoryFont_ = font;
    FontChanged();
}

void TDayViewList::SetDescriptionFont(const TFont& font)
{
    DescriptionFont_ = font;
    FontChanged();
}

void TDayViewList::SetDisplayMode(TDisplayMode mode)
{
    if (mode == DisplayMode_)
        return;
    DisplayMode_ = mode;
    setUniformItemSizes(mode == dmSingle);
    doItemsLayout();
    viewport()->update();
}

void TDayViewList::SetShowCategories(bool show)
{
    if (show == ShowCategories_)
        return;
    ShowCategories_ = show;
    viewport()->update();
}

void TDayViewList::SetShowAlarmGlyphs(bool show)
{
    if (show == ShowAlarmGlyphs_)
        return;
    ShowAlarmGlyphs_ = show;
    viewport()->update();
}

void TDayViewList::SetShowPrivateGlyphs(bool show)
{
    if (show == ShowPrivateGlyphs_)
        return;
    ShowPrivateGlyphs_ = show;
    viewport()->update();
}

QColor TDayViewList::ListColor() const
{
    return palette().color(QPalette::Base);
}

void TDayViewList::SetListColor(const QColor& color)
{
    QPalette colors = palette();
    colors.setColor(QPalette::Base, color);
    setPalette(colors);
    viewport()->update();
}

void TDayViewList::SetCtl3D(bool ctl3D)
{
    Ctl3D_ = ctl3D;
    FrameChanged();
}

void TDayViewList::SetBorderStyle(TBorderStyle style)
{
    BorderStyle_ = style;
    FrameChanged();
}

void TDayViewList::ResetRows(int count)
{
    setUpdatesEnabled(false);
    clear();
    for (int row = 0; row < count; ++row)
        addItem(new TRowItem());
    setUpdatesEnabled(true);
}

int TDayViewList::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TDayViewList::SelectRow(int row)
{
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

void TDayViewList::DrawItem(QPainter& painter, int index, const QRect& rect)
{
    if (Entries_ == nullptr || index >= Entries_->EntryCount())
        return;
    TDayEntryRec entry;
    Entries_->GetEntry(index, entry);

    const QString assigneeText = AssigneeText(entry, UserNameCallback);
    std::string category;
    const std::string categoryId = FieldText(entry.CategoryId);
    if (ShowCategories_ && IsId(categoryId) && CategoryCallback)
        CategoryCallback(categoryId, category);
    bool alarmed = false;
    if (ShowAlarmGlyphs_ && AlarmedFlagCallback)
        AlarmedFlagCallback(Entries_->GetEntryId(index), alarmed);
    bool repeated = false;
    if (RepeatedFlagCallback)
        RepeatedFlagCallback(Entries_->GetEntryId(index), repeated);

    const int left = rect.left();
    const int top = rect.top();
    const int bottom = rect.top() + rect.height();
    painter.fillRect(rect, ListColor());

    const TEventDetails& details = Entries_->GetDetails(index);
    const int timeColumn = TimeWidth();
    TextOut(painter, left + 1, top + 1, TimeFont_, TimeText(entry, details, Entries_->Day()));

    const bool isPrivate = (entry.Flags & efPrivate) != 0;
    int glyphs = 0;
    if (ShowPrivateGlyphs_ && isPrivate) {
        if (DisplayMode_ == dmSingle) {
            painter.drawImage(left + timeColumn, top, PrivateGlyph_);
            glyphs = TGlyphs::Size;
        } else {
            painter.drawImage(left, top + LineHeight, PrivateGlyph_);
        }
    }
    if (alarmed) {
        if (DisplayMode_ == dmSingle) {
            painter.drawImage(left + timeColumn + glyphs, top, AlarmGlyph_);
            glyphs += TGlyphs::Size;
        } else {
            painter.drawImage(left + TGlyphs::Size, top + LineHeight, AlarmGlyph_);
        }
    }
    if (repeated) {
        if (DisplayMode_ == dmSingle) {
            painter.drawImage(left + timeColumn + glyphs, top, TGlyphs::Repeat());
            glyphs += TGlyphs::Size;
        } else {
            painter.drawImage(left + 2 * TGlyphs::Size, top + LineHeight, TGlyphs::Repeat());
        }
    }

    const TFont& descriptionFont = isPrivate ? PrivateFont_ : DescriptionFont_;
    QString description = Text(FieldText(entry.Description));
    if (!details.Place.isEmpty())
        description += QStringLiteral(" (") + details.Place + QLatin1Char(')');
    const QString categoryText = Text(category);
    const int textLeft = left + glyphs + timeColumn;
    TFont categoryFont = CategoryFont_;
    if (!categoryText.isEmpty() && CategoryColourCallback) {
        QColor colour;
        CategoryColourCallback(categoryId, colour);
        if (colour.isValid())
            categoryFont.SetColor(colour);
    }
    if (DisplayMode_ == dmSingle) {
        TextOut(painter, textLeft, top + 1, descriptionFont, description);
        const int assigneeLeft = textLeft + TextWidth(descriptionFont, description) + 5;
        TextOut(painter, assigneeLeft, top + 1, AssigneeFont_, assigneeText);
        if (ShowCategories_ && !categoryText.isEmpty()) {
            const int categoryLeft = assigneeLeft + TextWidth(AssigneeFont_, assigneeText) + 5;
            TextOut(painter, categoryLeft, top + 1, categoryFont, categoryText);
        }
    } else {
        painter.setFont(descriptionFont.QtFont());
        painter.setPen(descriptionFont.Color());
        painter.drawText(QRect(textLeft, top + 1, rect.right() + 1 - textLeft, bottom - top - 1),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, description);
        TextOut(painter, textLeft, bottom - LineHeight, AssigneeFont_, assigneeText);
        if (ShowCategories_ && !categoryText.isEmpty()) {
            const int categoryLeft = textLeft + TextWidth(AssigneeFont_, assigneeText) + 5;
            TextOut(painter, categoryLeft, bottom - LineHeight, categoryFont, categoryText);
        }
    }
}

int TDayViewList::MeasureItem(int index) const
{
    if (Entries_ == nullptr || index >= Entries_->EntryCount())
        return LineHeight;
    TDayEntryRec entry;
    Entries_->GetEntry(index, entry);
    const TFont& font = (entry.Flags & efPrivate) != 0 ? PrivateFont_ : DescriptionFont_;
    QString description = Text(FieldText(entry.Description));
    const TEventDetails& details = Entries_->GetDetails(index);
    if (!details.Place.isEmpty())
        description += QStringLiteral(" (") + details.Place + QLatin1Char(')');
    const QRect wrapped = QFontMetrics(font.QtFont()).boundingRect(
        QRect(0, 0, WrapWidth(), 1 << 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, description);
    // The glyphs under the time column need a full line above them too.
    return std::max(wrapped.height(), LineHeight) + LineHeight;
}

void TDayViewList::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    // Two-line rows wrap their description to the width, so a new width
    // means new heights; the list itself lays out again only when its
    // height changes, which left the first display with the heights of the
    // width the rows were first measured at.
    if (DisplayMode_ == dmDouble && event->size().width() != event->oldSize().width())
        doItemsLayout();
}

void TDayViewList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    Drag_ = {};
    if (event->button() == Qt::LeftButton && Entries_ != nullptr) {
        const QPoint at = event->position().toPoint();
        const QModelIndex row = indexAt(at);
        TDayEntryRec entry;
        if (row.isValid() && row.row() < Entries_->EntryCount()) {
            Entries_->GetEntry(row.row(), entry);
            // An un-timed entry has no time to drag, only its day.
            if (((entry.Flags & efUntimed) == 0 || DayAtCallback) && MayDragCallback &&
                MayDragCallback(row.row())) {
                const TEventDetails& details = Entries_->GetDetails(row.row());
                Drag_.Index = row.row();
                Drag_.From = at;
                Drag_.Start = IdValue(FieldText(entry.EntryStamp));
                Drag_.End = details.EndStamp.empty() ? 0 : IdValue(details.EndStamp);
                Drag_.Untimed = (entry.Flags & efUntimed) != 0;
                Drag_.Resize = (entry.Flags & efUntimed) == 0 && at.y() >= visualRect(row).bottom() + 1 - EndHandle;
            }
        }
    }
    if (event->button() != Qt::RightButton)
        return;
    const QModelIndex row = indexAt(event->position().toPoint());
    if (row.isValid()) {
        selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
    } else {
        selectionModel()->clearSelection();
        selectionModel()->clearCurrentIndex();
    }
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
}

// The list's own handling only: a double-click inside a day goes no further.
void TDayViewList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    event->accept();
}

std::pair<int64_t, int64_t> TDayViewList::DragTimes() const
{
    constexpr int64_t kDay = 86400;
    if (Drag_.Days != 0 && !Drag_.Resize) {
        const int64_t shift = Drag_.Days * kDay;
        return {Drag_.Start + shift, Drag_.End ? Drag_.End + shift : 0};
    }
    const int64_t step = Drag_.Offset * 60;
    if (Drag_.Resize) {
        const int64_t end = (Drag_.End ? Drag_.End : Drag_.Start) + step;
        return {Drag_.Start, std::max(end, Drag_.Start + DragMinutes * 60)};
    }
    // A move keeps the start on its day.
    const int64_t midnight = Drag_.Start - Drag_.Start % kDay;
    const int64_t start = std::clamp(Drag_.Start + step, midnight, midnight + kDay - DragMinutes * 60);
    return {start, Drag_.End ? Drag_.End + start - Drag_.Start : 0};
}

QString TDayViewList::DragText() const
{
    const auto [start, end] = DragTimes();
    const bool otherDay = Drag_.Days != 0;
    const auto clock = [otherDay](int64_t stamp) {
        TStamp at;
        at.SetSeconds(stamp);
        const QString time = QString::asprintf("%2.2d:%2.2d", at.Hour(), at.Minute());
        return otherDay ? QLocale().toString(at.AsDateTime().date(), QStringLiteral("ddd dd ")) + time : time;
    };
    return end ? clock(start) + QStringLiteral("\u2013") + clock(end) : clock(start);
}

void TDayViewList::mouseMoveEvent(QMouseEvent* event)
{
    if (Drag_.Index < 0 || !(event->buttons() & Qt::LeftButton)) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!Drag_.Active && (at - Drag_.From).manhattanLength() < QApplication::startDragDistance())
        return;
    Drag_.Active = true;
    Drag_.Offset = Drag_.Untimed ? 0 : int64_t((at.y() - Drag_.From.y()) / DragPixels) * DragMinutes;
    Drag_.Days = 0;
    if (DayAtCallback && Entries_ != nullptr && !Entries_->Day().empty())
        if (const int64_t day = DayAtCallback(event->globalPosition().toPoint()); day != 0)
            Drag_.Days = (day - IdValue(Entries_->Day())) / 86400;
    QToolTip::showText(event->globalPosition().toPoint(), DragText(), this);
    event->accept();
}

void TDayViewList::mouseReleaseEvent(QMouseEvent* event)
{
    const TDrag drag = Drag_;
    Drag_.Index = -1;
    if (!drag.Active || event->button() != Qt::LeftButton) {
        Drag_.Active = false;
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    Drag_ = drag;
    const auto [start, end] = DragTimes();
    Drag_ = {};
    QToolTip::hideText();
    event->accept();
    if (start == drag.Start && end == drag.End)
        return;
    // Refused, the row stays as it was drawn: the entry snaps back.
    if (DropCallback)
        DropCallback(drag.Index, IdText(start), end ? IdText(end) : std::string());
    viewport()->update();
}

void TDayViewList::keyPressEvent(QKeyEvent* event)
{
    if (Drag_.Index >= 0 && event->key() == Qt::Key_Escape) {
        Drag_ = {};
        QToolTip::hideText();
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TDayViewList::focusInEvent(QFocusEvent* event)
{
    QListWidget::focusInEvent(event);
    viewport()->update();
    if (ReceivedFocusCallback)
        ReceivedFocusCallback();
}

void TDayViewList::focusOutEvent(QFocusEvent* event)
{
    QListWidget::focusOutEvent(event);
    viewport()->update();
}

void TDayViewList::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid())
        return;
    QPainter painter(viewport());
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = viewport()->rect().adjusted(1, 1, -1, -1);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
    focus.backgroundColor = ListColor();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    // Some styles draw a focus frame only faintly, or not on every palette:
    // the highlight colour is the one the user's palette makes stand out.
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
    painter.drawRect(viewport()->rect().adjusted(1, 1, -2, -2));
}

void TDayViewList::FontChanged()
{
    if (DisplayMode_ == dmDouble)
        doItemsLayout();
    viewport()->update();
}

void TDayViewList::FrameChanged()
{
    if (BorderStyle_ == bsNone)
        setFrameStyle(QFrame::NoFrame);
    else if (Ctl3D_)
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    else
        setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

int TDayViewList::WrapWidth() const
{
    return std::max(1, viewport()->width() - TimeWidth());
}

int TDayViewList::TimeWidth() const
{
    // Days without spans of time look as they always did.
    if (Entries_ == nullptr || !Entries_->AnyEnds())
        return TimeColumn;
    TDayEntryRec entry;
    for (int index = 0; index < Entries_->EntryCount(); ++index) {
        Entries_->GetEntry(index, entry);
        if (TimeText(entry, Entries_->GetDetails(index), Entries_->Day()).size() > 5)
            return std::max(TimeColumn, TextWidth(TimeFont_, QStringLiteral("00:00\u201300:00")) + 4);
    }
    return TimeColumn;
}

QString TDayViewList::TimeText(const TDayEntryRec& entry, const TEventDetails& details, const std::string& day)
{
    constexpr int64_t kDay = 86400;
    if (entry.Flags & efUntimed)
        return QStringLiteral("Day");
    const int64_t start = IdValue(FieldText(entry.EntryStamp));
    const int64_t end = details.EndStamp.empty() ? start : IdValue(details.EndStamp);
    const int64_t midnight = day.empty() ? start - start % kDay : IdValue(day);
    const auto clock = [](int64_t stamp) {
        TStamp at;
        at.SetSeconds(stamp);
        return QString::asprintf("%2.2d:%2.2d", at.Hour(), at.Minute());
    };
    const QString dash = QStringLiteral("\u2013");
    const bool startsToday = start >= midnight;
    const bool endsToday = end <= midnight + kDay;
    if (startsToday)
        return end <= start ? clock(start) : clock(start) + dash + (endsToday ? clock(end) : QString());
    return endsToday ? dash + clock(end) : QStringLiteral("Day");
}

QStringList TDayViewList::AssigneeNames(const TDayEntryRec& entry, const TUserNameCallback& names)
{
    QStringList result;
    for (const auto& slot : entry.AssigneeIds) {
        const std::string id = FieldText(slot);
        if (!IsId(id) || !names)
            continue;
        std::string name;
        names(id, name);
        result << Text(name);
    }
    return result;
}

QString TDayViewList::SpokenEntry(const TDayEntryRec& entry, const TEventDetails& details, const std::string& day,
                                  const QStringList& assignees, const TSpokenMarks& marks)
{
    QString time = TimeText(entry, details, day);
    const QChar dash(0x2013);
    if (time == QStringLiteral("Day"))
        time = QStringLiteral("All day");
    else if (time.startsWith(dash))
        time = QStringLiteral("Until ") + time.mid(1);
    else if (time.endsWith(dash))
        time = QStringLiteral("From ") + time.chopped(1);
    QString description = Text(FieldText(entry.Description));
    if (!details.Place.isEmpty())
        description += QStringLiteral(" (") + details.Place + QLatin1Char(')');
    QStringList parts{time + QLatin1Char(' ') + description};
    QStringList names;
    for (const QString& name : assignees)
        if (!name.isEmpty())
            names << name;
    if (names.size() > 1)
        parts << names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.last();
    else if (!names.isEmpty())
        parts << names.first();
    if (!marks.Category.isEmpty())
        parts << QStringLiteral("category ") + marks.Category;
    if (entry.Flags & efPrivate)
        parts << QStringLiteral("private");
    if (marks.Alarmed)
        parts << QStringLiteral("alarm");
    if (marks.Repeated)
        parts << QStringLiteral("repeats");
    return parts.join(QStringLiteral(", "));
}

QString TDayViewList::SpokenDay(const QDate& day, int entries)
{
    const QString date = QLocale().toString(day, QStringLiteral("dddd d MMMM yyyy"));
    if (entries == 0)
        return date + QStringLiteral(", no events");
    return date + (entries == 1 ? QStringLiteral(", 1 event") : QStringLiteral(", %1 events").arg(entries));
}

QString TDayViewList::SpokenRow(int index) const
{
    if (Entries_ == nullptr || index < 0 || index >= Entries_->EntryCount())
        return {};
    TDayEntryRec entry;
    Entries_->GetEntry(index, entry);
    // A failing callback must not reach the screen reader's caller.
    try {
        TSpokenMarks marks;
        const std::string categoryId = FieldText(entry.CategoryId);
        if (ShowCategories_ && IsId(categoryId) && CategoryCallback) {
            std::string category;
            CategoryCallback(categoryId, category);
            marks.Category = Text(category);
        }
        if (ShowAlarmGlyphs_ && AlarmedFlagCallback)
            AlarmedFlagCallback(Entries_->GetEntryId(index), marks.Alarmed);
        if (RepeatedFlagCallback)
            RepeatedFlagCallback(Entries_->GetEntryId(index), marks.Repeated);
        return SpokenEntry(entry, Entries_->GetDetails(index), Entries_->Day(),
                           AssigneeNames(entry, UserNameCallback), marks);
    } catch (const std::exception& error) {
        qWarning("Day list row %d: %s", index, error.what());
        return Text(FieldText(entry.Description));
    }
}

QString TDayViewList::AssigneeText(const TDayEntryRec& entry, const TUserNameCallback& names)
{
    std::string assignees;
    for (const auto& slot : entry.AssigneeIds) {
        const std::string id = FieldText(slot);
        if (!IsId(id) || !names)
            continue;
        std::string name;
        names(id, name);
        if (!assignees.empty())
            assignees += ", ";
        assignees += name;
    }
    return Text(assignees);
}

#include "views/DayViewHeader.h"

#include <QPainter>

#include <algorithm>

namespace {

const QString Spaces = QStringLiteral("  ");

}  // namespace

TDayViewHeader::TDayViewHeader(QWidget* parent) : TPanel(parent)
{
    SetBevelOuter(bvNone);
    resize(width(), DefaultHeight);
    SetAlign(alTop);
}

void TDayViewHeader::SetAlignment(TAlignment alignment)
{
    const QString text = GetDateText();
    Alignment_ = alignment;
    SetDateText(text);
}

void TDayViewHeader::SetDateText(const QString& text)
{
    switch (Alignment_) {
    case taLeftJustify:
        Caption_ = Spaces + text;
        break;
    case taRightJustify:
        Caption_ = text + Spaces;
        break;
    case taCenter:
        Caption_ = text;
        break;
    }
    // Painted, the date would reach no screen reader.
    setAccessibleName(text);
    update();
}

QString TDayViewHeader::GetDateText() const
{
    switch (Alignment_) {
    case taLeftJustify:
        return Caption_.mid(Spaces.size());
    case taRightJustify:
        return Caption_.left(std::max<qsizetype>(0, Caption_.size() - Spaces.size()));
    case taCenter:
        break;
    }
    return Caption_;
}

void TDayViewHeader::paintEvent(QPaintEvent* event)
{
    TPanel::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    Qt::Alignment alignment = Qt::AlignVCenter;
    switch (Alignment_) {
    case taLeftJustify:
        alignment |= Qt::AlignLeft;
        break;
    case taRightJustify:
        alignment |= Qt::AlignRight;
        break;
    case taCenter:
        alignment |= Qt::AlignHCenter;
        break;
    }
    painter.drawText(AlignRect(), alignment | Qt::TextSingleLine, Caption_);
}

#include "views/Panel.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace {

int BevelWidth(TBevelCut bevel)
{
    return bevel == bvNone ? 0 : 1;
}

// One-pixel frame: top and left in `topLeft`, bottom and right in `bottomRight`.
void DrawFrame(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight)
{
    painter.setPen(topLeft);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

void DrawBevel(QPainter& painter, const QRect& rect, TBevelCut bevel, const QPalette& palette, const QColor& fill)
{
    switch (bevel) {
    case bvNone:
        break;
    case bvLowered:
        DrawFrame(painter, rect, palette.color(QPalette::Dark), palette.color(QPalette::Light));
        break;
    case bvRaised:
        DrawFrame(painter, rect, palette.color(QPalette::Light), palette.color(QPalette::Dark));
        break;
    case bvSpace:
        DrawFrame(painter, rect, fill, fill);
        break;
    }
}

}  // namespace

TPanel::TPanel(QWidget* parent) : QWidget(parent), Color_(palette().color(QPalette::Window)) {}

void TPanel::SetAlign(TAlign align)
{
    if (align == Align_)
        return;
    Align_ = align;
    RealignParent();
}

void TPanel::SetCtl3D(bool ctl3D)
{
    Ctl3D_ = ctl3D;
    BorderChanged();
}

void TPanel::SetBevelOuter(TBevelCut bevel)
{
    BevelOuter_ = bevel;
    Realign();
    update();
}

void TPanel::SetBevelInner(TBevelCut bevel)
{
    BevelInner_ = bevel;
    Realign();
    update();
}

void TPanel::SetBorderStyle(TBorderStyle style)
{
    BorderStyle_ = style;
    BorderChanged();
}

void TPanel::SetColor(const QColor& color)
{
    Color_ = color;
    update();
}

QRect TPanel::AlignRect() const
{
    const int bevels = BevelWidth(BevelOuter_) + BevelWidth(BevelInner_);
    return contentsRect().adjusted(bevels, bevels, -bevels, -bevels);
}

QRect TPanel::AlignControls(QRect area)
{
    for (QObject* object : children()) {
        auto* child = qobject_cast<TPanel*>(object);
        if (child == nullptr || child->Align() == alNone)
            continue;
        switch (child->Align()) {
        case alNone:
            break;
        case alTop:
            child->setGeometry(area.left(), area.top(), area.width(), child->height());
            area.setTop(area.top() + child->height());
            break;
        case alBottom:
            child->setGeometry(area.left(), area.bottom() + 1 - child->height(), area.width(), child->height());
            area.setBottom(area.bottom() - child->height());
            break;
        case alLeft:
            child->setGeometry(area.left(), area.top(), child->width(), area.height());
            area.setLeft(area.left() + child->width());
            break;
        case alRight:
            child->setGeometry(area.right() + 1 - child->width(), area.top(), child->width(), area.height());
            area.setRight(area.right() - child->width());
            break;
        case alClient:
            child->setGeometry(area);
            area = QRect(area.topLeft(), QSize(0, 0));
            break;
        }
    }
    return area;
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Color_);
    if (BorderStyle_ == bsSingle) {
        const QRect outer = rect();
        if (Ctl3D_) {
            DrawFrame(painter, outer, palette().color(QPalette::Mid), palette().color(QPalette::Light));
            DrawFrame(painter, outer.adjusted(1, 1, -1, -1), palette().color(QPalette::Shadow),
                      palette().color(QPalette::Midlight));
        } else {
            DrawFrame(painter, outer, palette().color(QPalette::WindowText), palette().color(QPalette::WindowText));
        }
    }
    QRect bevel = contentsRect();
    DrawBevel(painter, bevel, BevelOuter_, palette(), Color_);
    if (BevelOuter_ != bvNone)
        bevel.adjust(1, 1, -1, -1);
    DrawBevel(painter, bevel, BevelInner_, palette(), Color_);
}

void TPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Realign();
}

// Accepted here so that a double-click on a panel inside another one does
// not reach the outer panel's event as well.
void TPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (OnDblClick)
        OnDblClick(this);
}

void TPanel::contextMenuEvent(QContextMenuEvent* event)
{
    if (PopupMenu_ == nullptr) {
        event->ignore();
        return;
    }
    PopupMenu_->popup(event->globalPos());
}

void TPanel::BorderChanged()
{
    const int width = BorderStyle_ == bsNone ? 0 : (Ctl3D_ ? 2 : 1);
    setContentsMargins(width, width, width, width);
    Realign();
    update();
}

void TPanel::Realign()
{
    AlignControls(AlignRect());
}

void TPanel::RealignParent()
{
    if (auto* parent = qobject_cast<TPanel*>(parentWidget()))
        parent->Realign();
}

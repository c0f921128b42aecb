#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };

using TNotifyEvent = std::function<void(QObject* Sender)>;

// A plain bordered container: a window border (bsSingle), an outer and an
// inner bevel of one pixel each, a fill colour, a popup menu and a
// double-click event. Child panels with an Align other than alNone are laid
// out inside the bevels whenever the panel is resized.
class TPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TPanel(QWidget* parent = nullptr);

    TNotifyEvent OnDblClick;

    TAlign Align() const { return Align_; }
    void SetAlign(TAlign align);
    // Whether a single border is drawn sunken (true) or as a flat line.
    bool Ctl3D() const { return Ctl3D_; }
    void SetCtl3D(bool ctl3D);
    TBevelCut BevelOuter() const { return BevelOuter_; }
    void SetBevelOuter(TBevelCut bevel);
    TBevelCut BevelInner() const { return BevelInner_; }
    void SetBevelInner(TBevelCut bevel);
    TBorderStyle BorderStyle() const { return BorderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    QColor Color() const { return Color_; }
    void SetColor(const QColor& color);
    // Not owned; shown on a right click that no child handled.
    QMenu* PopupMenu() const { return PopupMenu_; }
    void SetPopupMenu(QMenu* menu) { PopupMenu_ = menu; }

    // The area inside border and bevels, where aligned children go.
    QRect AlignRect() const;

protected:
    // Places the aligned child panels in `area`, in child order, and returns
    // what is left of it.
    virtual QRect AlignControls(QRect area);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BorderChanged();
    void Realign();
    void RealignParent();

    TAlign Align_ = alNone;
    bool Ctl3D_ = true;
    TBevelCut BevelOuter_ = bvRaised;
    TBevelCut BevelInner_ = bvNone;
    TBorderStyle BorderStyle_ = bsNone;
    QColor Color_;
    QMenu* PopupMenu_ = nullptr;
};

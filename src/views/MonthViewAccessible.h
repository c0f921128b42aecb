#pragma once

#include <QAccessibleWidget>

#include <array>

class TMonthView;

// What a screen reader finds in a month view, which paints its days: a list
// of 42 day items, each named with its date and its events, the selected
// day being the focused one.
class TMonthViewAccessible : public QAccessibleWidget
{
public:
    explicit TMonthViewAccessible(TMonthView* view);
    ~TMonthViewAccessible() override;

    // Makes the month views' interfaces known to Qt; once is enough.
    static void Install();

    QString text(QAccessible::Text kind) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    TMonthView* View() const;

    // The day items, made when first asked for and registered with Qt.
    mutable std::array<QAccessible::Id, 42> Days_{};
};

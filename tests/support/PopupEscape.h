#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>

#include <string>

// Esc as the keyboard gives it: to the open pop-up, else to the control
// with the focus.
inline void PressEscape()
{
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
}

// Shows the dialog, opens the drop-down of control with Alt+Down and
// presses Esc twice: the first must close the drop-down alone, the second
// cancel the dialog. What went wrong, or empty when nothing did.
inline std::string EscapeClosesTheDropDownFirst(QDialog& dialog, QWidget& control)
{
    const std::string name = control.objectName().toStdString();
    dialog.show();
    dialog.activateWindow();
    if (!QTest::qWaitForWindowActive(&dialog))
        return name + ": the dialog never became the active window";
    control.setFocus();
    QTest::keyClick(&control, Qt::Key_Down, Qt::AltModifier);
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }))
        return name + ": no drop-down opened";
    PressEscape();
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }))
        return name + ": the first Esc left the drop-down open";
    if (!dialog.isVisible())
        return name + ": the first Esc closed the dialog";
    // To the dialog's own control: the offscreen platform does not always
    // give the keyboard back to the window under a closed pop-up.
    QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
    if (dialog.isVisible() || dialog.result() != QDialog::Rejected)
        return name + ": the second Esc did not cancel the dialog";
    return {};
}

#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>

#include <functional>
#include <string>

// Esc as the keyboard gives it: to the open pop-up, else to the control
// with the focus.
inline void PressEscape()
{
    QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
}

// Opens a pop-up of the shown dialog with open(), then presses Esc twice:
// the first must close the pop-up alone, the second cancel the dialog.
// What went wrong, or empty when nothing did.
inline std::string EscapeClosesThePopupFirst(QDialog& dialog, const std::function<void()>& open)
{
    dialog.activateWindow();
    if (!QTest::qWaitForWindowActive(&dialog))
        return "the dialog never became the active window";
    open();
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }))
        return "no pop-up opened";
    PressEscape();
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }))
        return "the first Esc left the pop-up open";
    if (!dialog.isVisible())
        return "the first Esc closed the dialog";
    // To the dialog's own control: the offscreen platform does not always
    // give the keyboard back to the window under a closed pop-up.
    QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_Escape);
    if (dialog.isVisible() || dialog.result() != QDialog::Rejected)
        return "the second Esc did not cancel the dialog";
    return {};
}

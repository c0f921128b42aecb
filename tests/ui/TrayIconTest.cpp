#include "ui/TrayIcon.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A click on the icon gives the window back, shown and no longer
// minimised, before the owner is told.
TEST(TrayIconTest, AClickGivesTheWindowBack)
{
    QWidget window;
    TTrayIcon tray(window, QIcon(), "Orbeko");
    EXPECT_EQ(tray.toolTip(), "Orbeko");
    window.showMinimized();
    window.hide();
    bool shownWhenTold = false;
    tray.OnRestore = [&] { shownWhenTold = window.isVisible() && !window.isMinimized(); };
    emit tray.activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(shownWhenTold);
    EXPECT_FALSE(tray.isVisible());
}

// Without a tray on the desktop a minimised window stays where it is.
TEST(TrayIconTest, WithoutATrayTheMinimisedWindowStays)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    QWidget window;
    TTrayIcon tray(window, QIcon(), "Orbeko");
    window.show();
    window.showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(tray.isVisible());
}

}  // namespace

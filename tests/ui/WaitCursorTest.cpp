#include "ui/WaitCursor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>

#include <stdexcept>

namespace {

// The shape shown now, or ArrowCursor with no override.
Qt::CursorShape Shape()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

TEST(WaitCursor, ShowsTheHourglassForItsLifetime)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        const TWaitCursor wait;
        EXPECT_EQ(Shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(WaitCursor, GuardsNest)
{
    {
        const TWaitCursor outer;
        {
            const TWaitCursor inner;
            EXPECT_EQ(Shape(), Qt::WaitCursor);
        }
        EXPECT_EQ(Shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(WaitCursor, RestoresThePreviousCursorWhenAnExceptionPasses)
{
    QApplication::setOverrideCursor(Qt::PointingHandCursor);
    try {
        const TWaitCursor wait;
        throw std::runtime_error("write failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Shape(), Qt::PointingHandCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

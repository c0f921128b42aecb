#include "support/DialogScript.h"
#include "ui/ColorCombo.h"
#include "ui/DialogRunner.h"

#include <QColorDialog>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A colour set comes back exactly, named or as the one custom swatch, top
// byte included; Home picks the first named colour.
TEST(ColorComboTest, EveryColourSetComesBackExactly)
{
    const std::pair<TColorRef, const char*> cases[] = {
        {0x000000FF, "Red"},    {0x00123456, "Custom"}, {0x80000005, "Custom"},
        {0x00808000, "Teal"},   {0x01000000, "Custom"}, {0x00008000, "Green"},
    };
    TColorCombo combo;
    for (const auto& [color, shown] : cases) {
        combo.SetColor(color);
        EXPECT_EQ(combo.Color(), color) << std::hex << color;
        EXPECT_EQ(combo.currentText(), shown) << std::hex << color;
        EXPECT_EQ(combo.count(), 17 + (QLatin1String(shown) == QLatin1String("Custom") ? 1 : 0));
    }
    QTest::keyClick(&combo, Qt::Key_Home);
    EXPECT_EQ(combo.Color(), 0x00000000u);
}

// "Custom..." asks the colour dialog from the current colour; OK takes the
// colour chosen there, Cancel keeps the one before.
TEST(ColorComboTest, CustomAsksTheColourDialog)
{
    for (const bool accept : {true, false}) {
        TDialogScript dialogs;
        TColorCombo combo;
        combo.SetColor(0x00800000);
        dialogs.Answer([&](QDialog& dialog) {
            auto& colors = static_cast<QColorDialog&>(dialog);
            EXPECT_EQ(colors.currentColor(), QColor(0, 0, 0x80));
            colors.setCurrentColor(QColor(0x56, 0x34, 0x12));
            return accept ? QDialog::Accepted : QDialog::Rejected;
        });
        QTest::keyClick(&combo, Qt::Key_End);
        EXPECT_EQ(dialogs.Runs().size(), 1u);
        EXPECT_EQ(combo.Color(), accept ? 0x00123456u : 0x00800000u) << accept;
        EXPECT_EQ(combo.currentText(), accept ? "Custom" : "Navy") << accept;
    }
}

}  // namespace

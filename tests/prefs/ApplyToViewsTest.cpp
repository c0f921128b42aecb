#include "prefs/OrbekoCfg.h"
#include "views/DayView.h"
#include "views/WeekView.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class ApplyToViewsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Cfg_.SetDefaults();
    }

    // Every font property of a view with its colour and style.
    template <class TView> static std::vector<TFont> Fonts(const TView& view)
    {
        return {view.TimeFont(), view.PrivateFont(), view.CategoryFont(), view.AssigneeFont(),
                view.DescriptionFont()};
    }

    TOrbekoCfg Cfg_;
    TWeekView Week_;
    TDayView Day_;
    const std::array<TCalendarView*, 2> Views_{&Week_, &Day_};
};

TEST_F(ApplyToViewsTest, EveryOptionReachesBothViewsAndComesBack)
{
    Cfg_.TimeColor = 0x00010203;
    Cfg_.PrivateColor = 0x00040506;
    Cfg_.CategoryColor = 0x00070809;
    Cfg_.AssigneeColor = 0x000A0B0C;
    Cfg_.DescriptionColor = 0x000D0E0F;
    Cfg_.PrivateItalic = true;
    Cfg_.CategoryItalic = false;
    Cfg_.AssigneeItalic = true;
    Cfg_.ExpandLines = false;
    Cfg_.ShowCategories = false;
    Cfg_.ShowAlarmGlyphs = true;
    Cfg_.ShowPrivateGlyphs = false;
    Cfg_.ApplyToViews(Views_);

    EXPECT_EQ(Day_.TimeFont().Color(), QColor(0x03, 0x02, 0x01)) << "0x00BBGGRR";
    EXPECT_EQ(Fonts(Day_), Fonts(Week_));
    for (int day = 0; day < TWeekView::DayCount; ++day)
        EXPECT_EQ(Fonts(Week_.Days(day)), Fonts(Week_)) << day;
    for (auto* mode : {&Week_.Days(6), &Day_})
        EXPECT_EQ(mode->DisplayMode(), dmSingle);
    EXPECT_FALSE(Day_.ShowCategories());
    EXPECT_FALSE(Week_.Days(4).ShowPrivateGlyphs());

    TOrbekoCfg back;
    back.SetDefaults();
    back.TakeFromViews(Week_);
    EXPECT_EQ(back.TimeColor, 0x00010203u);
    EXPECT_EQ(back.PrivateColor, 0x00040506u);
    EXPECT_EQ(back.CategoryColor, 0x00070809u);
    EXPECT_EQ(back.AssigneeColor, 0x000A0B0Cu);
    EXPECT_EQ(back.DescriptionColor, 0x000D0E0Fu);
    EXPECT_TRUE(back.PrivateItalic);
    EXPECT_FALSE(back.CategoryItalic);
    EXPECT_TRUE(back.AssigneeItalic);
    EXPECT_FALSE(back.ExpandLines);
    EXPECT_FALSE(back.ShowCategories);
    EXPECT_TRUE(back.ShowAlarmGlyphs);
    EXPECT_FALSE(back.ShowPrivateGlyphs);
}

TEST_F(ApplyToViewsTest, ItalicReplacesTheWholeStyleOfTheThreeFontsOnly)
{
    TFont boldUnderlined(QColor(Qt::black), fsBold | fsUnderline);
    Week_.SetPrivateFont(boldUnderlined);
    Week_.SetCategoryFont(boldUnderlined);
    Week_.SetTimeFont(boldUnderlined);
    Cfg_.PrivateItalic = true;
    Cfg_.CategoryItalic = false;
    Cfg_.ApplyToViews(Views_);

    EXPECT_EQ(Week_.PrivateFont().Style(), fsItalic) << "bold is dropped";
    EXPECT_EQ(Week_.CategoryFont().Style(), 0);
    EXPECT_EQ(Week_.TimeFont().Style(), fsBold | fsUnderline) << "the time font keeps its style";
    EXPECT_EQ(Day_.PrivateFont().Style(), fsItalic);
}

TEST_F(ApplyToViewsTest, ExpandLinesChoosesTheDisplayMode)
{
    Cfg_.ApplyToViews(Views_);
    EXPECT_EQ(Week_.DisplayMode(), dmDouble);
    EXPECT_EQ(Day_.DisplayMode(), dmDouble);
    Week_.SetDisplayMode(dmSingle);
    Cfg_.TakeFromViews(Week_);
    EXPECT_FALSE(Cfg_.ExpandLines);
}

}  // namespace

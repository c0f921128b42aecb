#include "ui/DateEdit.h"

#include "storage/Clock.h"
#include "support/ClockScript.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDialog>
#include <QLocale>
#include <QTableView>
#include <QTest>

#include <optional>

namespace {

const QDate Today(2024, 3, 15);

struct TParseCase
{
    const char* Name;
    const char* Text;
    TDateOrder Order;
    std::optional<QDate> Expected;
};

class DateEditParseTest : public ::testing::TestWithParam<TParseCase>
{
};

TEST_P(DateEditParseTest, TextGivesDate)
{
    const TParseCase& c = GetParam();
    EXPECT_EQ(TDateEdit::Parse(QString::fromUtf8(c.Text), Today, c.Order), c.Expected) << c.Text;
}

constexpr TDateOrder DMY = TDateOrder::DayMonthYear;
constexpr TDateOrder MDY = TDateOrder::MonthDayYear;
constexpr TDateOrder YMD = TDateOrder::YearMonthDay;
const std::nullopt_t None = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Inputs, DateEditParseTest,
    ::testing::Values(
        TParseCase{"SlashAloneIsToday", "/", DMY, Today},
        TParseCase{"SlashWithBlanksIsToday", "  / ", MDY, Today},
        TParseCase{"FullDate", "05/03/2024", DMY, QDate(2024, 3, 5)},
        TParseCase{"OneDigitParts", "5/3/2023", DMY, QDate(2023, 3, 5)},
        TParseCase{"NoYearIsThisYear", "5/3", DMY, QDate(2024, 3, 5)},
        TParseCase{"NoYearMonthFirst", "5/3", MDY, QDate(2024, 5, 3)},
        TParseCase{"NoYearYearFirstOrder", "12/25", YMD, QDate(2024, 12, 25)},
        TParseCase{"TwoDigitYear70Is1970", "1/1/70", DMY, QDate(1970, 1, 1)},
        TParseCase{"TwoDigitYear69Is2069", "31/12/69", DMY, QDate(2069, 12, 31)},
        TParseCase{"TwoDigitYear99Is1999", "1/2/99", DMY, QDate(1999, 2, 1)},
        TParseCase{"TwoDigitYear00Is2000", "29/2/00", DMY, QDate(2000, 2, 29)},
        TParseCase{"OneDigitYear", "1/2/5", DMY, QDate(2005, 2, 1)},
        TParseCase{"FourDigitYearStays", "1/2/1969", DMY, QDate(1969, 2, 1)},
        TParseCase{"ThreeDigitYearStays", "1/2/999", DMY, QDate(999, 2, 1)},
        TParseCase{"MonthDayYear", "12/31/2030", MDY, QDate(2030, 12, 31)},
        TParseCase{"YearMonthDay", "2030/12/31", YMD, QDate(2030, 12, 31)},
        TParseCase{"YearMonthDayShortYear", "30-1-2", YMD, QDate(2030, 1, 2)},
        TParseCase{"DotsAndDashes", "5.3-2024", DMY, QDate(2024, 3, 5)},
        TParseCase{"SpacesSeparate", " 5 3 2024 ", DMY, QDate(2024, 3, 5)},
        TParseCase{"NoSuchDay", "31/2/2024", DMY, None},
        TParseCase{"NoLeapDay", "29/2/2023", DMY, None},
        TParseCase{"MonthThirteen", "1/13", DMY, None},
        TParseCase{"DayZero", "0/3", DMY, None},
        TParseCase{"DayAlone", "15", DMY, None},
        TParseCase{"Empty", "", DMY, None},
        TParseCase{"Blank", "   ", DMY, None},
        TParseCase{"FourParts", "1/2/3/4", DMY, None},
        TParseCase{"Letters", "1/mar/2024", DMY, None},
        TParseCase{"TrailingSeparator", "5/3/", DMY, None},
        TParseCase{"LeadingSeparator", "/5/3", DMY, None},
        TParseCase{"Signed", "+5/3", DMY, None},
        TParseCase{"LongDay", "005/3", DMY, None},
        TParseCase{"FiveDigitYear", "1/2/20245", DMY, None},
        TParseCase{"YearZero", "1/2/0000", DMY, None},
        TParseCase{"WideDigits", "\xEF\xBC\x95/3", DMY, None}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DateEditOrderTest, OrderFollowsTheLocalesShortDate)
{
    EXPECT_EQ(TDateEdit::OrderOf(QLocale(QLocale::English, QLocale::UnitedKingdom)), DMY);
    EXPECT_EQ(TDateEdit::OrderOf(QLocale(QLocale::English, QLocale::UnitedStates)), MDY);
    EXPECT_EQ(TDateEdit::OrderOf(QLocale(QLocale::German, QLocale::Germany)), DMY);
    EXPECT_EQ(TDateEdit::OrderOf(QLocale(QLocale::Japanese, QLocale::Japan)), YMD);
}

TEST(DateEditOrderTest, FormatWritesEveryPartInFull)
{
    const QDate date(2031, 1, 2);
    EXPECT_EQ(TDateEdit::Format(date, DMY), "02/01/2031");
    EXPECT_EQ(TDateEdit::Format(date, MDY), "01/02/2031");
    EXPECT_EQ(TDateEdit::Format(date, YMD), "2031/01/02");
    for (TDateOrder order : {DMY, MDY, YMD})
        EXPECT_EQ(TDateEdit::Parse(TDateEdit::Format(date, order), Today, order), date);
}

// An edit in a British locale on 15 March 2024.
class DateEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        Edit = std::make_unique<TDateEdit>();
        Edit->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Edit.get()));
    }
    void TearDown() override
    {
        Edit.reset();
        QLocale::setDefault(Saved_);
    }

    TClockScript Clock_{QDateTime(Today, QTime(9, 30))};
    std::unique_ptr<TDateEdit> Edit;

private:
    QLocale Saved_;
};

TEST_F(DateEditTest, TypingSlashIntoAnEmptyOrSelectedTextEntersToday)
{
    EXPECT_EQ(Edit->Order(), DMY);
    QTest::keyClick(Edit.get(), '/');
    EXPECT_EQ(Edit->text(), "15/03/2024");
    EXPECT_EQ(Edit->Date(), Today);

    Edit->setText("01/01/2020");
    Edit->selectAll();
    QTest::keyClick(Edit.get(), '/');
    EXPECT_EQ(Edit->Date(), Today);
}

TEST_F(DateEditTest, SlashInsideADateIsASeparator)
{
    QTest::keyClicks(Edit.get(), "5/3/21");
    EXPECT_EQ(Edit->text(), "5/3/21");
    EXPECT_EQ(Edit->Date(), QDate(2021, 3, 5));
}

TEST_F(DateEditTest, ShortDateIsShownInFullWhenEditingFinishes)
{
    QTest::keyClicks(Edit.get(), "7/8");
    QTest::keyClick(Edit.get(), Qt::Key_Return);
    EXPECT_EQ(Edit->text(), "07/08/2024");
}

TEST_F(DateEditTest, TextThatIsNoDateStaysAndReadingItSaysSo)
{
    QTest::keyClicks(Edit.get(), "31/2");
    QTest::keyClick(Edit.get(), Qt::Key_Return);
    EXPECT_EQ(Edit->text(), "31/2");
    try {
        Edit->Date();
        FAIL() << "no error";
    } catch (const EDateEdit& error) {
        EXPECT_STREQ(error.what(), "'31/2' is not a valid date");
    }
}

TEST_F(DateEditTest, CalendarDropsDownAtTheShownDateWithMondayFirst)
{
    Edit->SetDate(QDate(2024, 7, 4));
    QTest::keyClick(Edit.get(), Qt::Key_F4);
    QCalendarWidget* calendar = Edit->Calendar();
    ASSERT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Monday);
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 7, 4));

    auto* days = calendar->findChild<QTableView*>();
    ASSERT_NE(days, nullptr);
    QTest::keyClick(days, Qt::Key_Right);
    QTest::keyClick(days, Qt::Key_Return);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(Edit->text(), "05/07/2024");
}

TEST_F(DateEditTest, CalendarOfATextThatIsNoDateOpensAtToday)
{
    Edit->setText("nonsense");
    QTest::keyClick(Edit.get(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Edit->Calendar()->isVisible());
    EXPECT_EQ(Edit->Calendar()->selectedDate(), Today);
    emit Edit->Calendar()->clicked(QDate(2024, 3, 1));
    EXPECT_EQ(Edit->Date(), QDate(2024, 3, 1));
    EXPECT_FALSE(Edit->Calendar()->isVisible());
}

// A dialog that goes takes the open calendar with it, rather than leave it
// alone on screen holding the keyboard.
TEST(DateEditPopupTest, TheCalendarGoesWithItsDialog)
{
    QDialog dialog;
    auto* edit = new TDateEdit(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    edit->DropDown();
    ASSERT_TRUE(edit->Calendar()->isVisible());
    dialog.reject();
    EXPECT_FALSE(edit->Calendar()->isVisible());
}

TEST_F(DateEditTest, ReadOnlyEditKeepsItsDate)
{
    Edit->SetDate(QDate(2024, 7, 4));
    Edit->setReadOnly(true);
    Edit->selectAll();
    QTest::keyClick(Edit.get(), '/');
    Edit->DropDown();
    EXPECT_FALSE(Edit->Calendar()->isVisible());
    EXPECT_EQ(Edit->Date(), QDate(2024, 7, 4));
}

}  // namespace

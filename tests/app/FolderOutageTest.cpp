#include "MainWindowFixture.h"
#include "app/frmNotify.h"
#include "storage/Stamp.h"
#include "support/ClockScript.h"
#include "ui/ActionFactory.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QDate kDay(2025, 3, 6);  // a Thursday

QDateTime At(int hour, int minute, int second = 0)
{
    return QDateTime(kDay, QTime(hour, minute, second));
}

// ANNA is logged in on a workstation whose diary is in a folder; another
// workstation writes beside it. The test renames the folder away, as a
// share that was disconnected or a folder moved while the program ran, and
// back, as one that came back.
class FolderOutageTest : public TMainWindowFixture
{
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        Anna_ = AddUser("ANNA", "", urAddEntries);
        AnswerLogin("ANNA", "");
        Window("anna").FormActivate();
        ASSERT_FALSE(Window().Ended());
        Other_ = Connect();
        Others_.emplace(*Other_);
    }
    void TearDown() override
    {
        Move(true);
        Others_.reset();
        Other_.reset();
        TMainWindowFixture::TearDown();
    }

    // The folder at its place (there) or renamed away.
    void Move(bool there)
    {
        if (there == There_)
            return;
        const std::string away = DataPath() + "-away";
        ASSERT_EQ(there ? std::rename(away.c_str(), DataPath().c_str()) : std::rename(DataPath().c_str(), away.c_str()),
                  0);
        There_ = there;
    }

    // The ten-second tick at the time given.
    void TickAt(const QDateTime& when)
    {
        Now_ = when;
        EXPECT_NO_THROW(Window().tmrMainTimer()) << when.toString().toStdString();
    }

    int Notices() const
    {
        return static_cast<int>(std::count_if(Dialogs_.Runs().begin(), Dialogs_.Runs().end(),
                                              [](const TRunDialog& run) { return run.ClassName == "TfrmNotify"; }));
    }
    int ThursdayRows() { return Week().Days(3).Entries().EntryCount(); }
    std::vector<QString> MessageTexts() const
    {
        std::vector<QString> texts;
        for (const TShownMessage& message : Messages_.Shown())
            texts.push_back(message.Text);
        return texts;
    }

    QDateTime Now_ = At(9, 0);
    TClockScript Clock_{[this] { return Now_; }};
    std::unique_ptr<TOrbekoDB> Other_;
    std::optional<TDiaryRecords> Others_;
    std::vector<QString> Seen_;
    std::string Anna_;
    bool There_ = true;
};

TEST_F(FolderOutageTest, AFolderGoneIsToldOnceAndTheViewsAndAlarmsCatchUpWhenItIsBack)
{
    const std::string entry = Others_->Event(StampOf(At(9, 5)), Anna_, {Anna_}, "stand-up");
    Others_->Alarm(entry, Anna_, StampOf(At(9, 5)));
    TickAt(At(9, 0));
    ASSERT_EQ(ThursdayRows(), 1);
    // Written just before the folder went: no tick saw it.
    Others_->Event(StampOf(At(11, 0)), Anna_, {Anna_}, "review");
    const QString outage = QString::fromStdString("The diary folder " + DataPath() +
                                                  " cannot be reached: no longer there. "
                                                  "Orbeko tries again every ten seconds.");

    struct TStep
    {
        QDateTime When;
        bool There;       // the folder at its place during the tick
        int Told;         // outage messages shown after it
        int Rows;         // Thursday's rows after it
        int Notices;      // alarm notices shown after it
    };
    // The alarm falls due while the folder is away; a later outage is told again.
    const TStep steps[] = {
        {At(9, 0, 10), false, 1, 1, 0}, {At(9, 0, 20), false, 1, 1, 0}, {At(9, 5, 0), false, 1, 1, 0},
        {At(9, 5, 10), false, 1, 1, 0}, {At(9, 5, 20), true, 1, 2, 1},  {At(9, 5, 30), false, 2, 2, 1},
        {At(9, 5, 40), false, 2, 2, 1}, {At(9, 5, 50), true, 2, 2, 1},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.When.toString().toStdString());
        Move(step.There);
        if (!step.There && Messages_.Shown().size() < static_cast<std::size_t>(step.Told))
            Messages_.Answer(TMessageAnswer::Ok);
        if (step.There && Notices() < step.Notices)
            Dialogs_.Answer([this](QDialog& dialog) {
                auto& notice = static_cast<TfrmNotify&>(dialog);
                Seen_.push_back(notice.edtDescription->text());
                notice.btnRemove->click();
                return notice.result();
            });
        TickAt(step.When);
        EXPECT_EQ(MessageTexts(), std::vector<QString>(step.Told, outage)) << "told once, with the folder and the cause";
        EXPECT_EQ(ThursdayRows(), step.Rows) << "the view is read afresh when the folder is back";
        EXPECT_EQ(Notices(), step.Notices) << "what fell due meanwhile is shown when the folder is back";
    }
    EXPECT_EQ(Seen_, std::vector<QString>{"stand-up"});
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
    EXPECT_EQ(Dialogs_.UnexpectedCount(), 0);
}

// A command's failure, as the action factory shows it, has below it what
// the main window's folder shows of the cause, while there is something to
// show and the window is connected.
TEST_F(FolderOutageTest, ACommandsFailureNamesTheFolderWhileItIsGone)
{
    const QString gone = QString::fromStdString(
        "Object not found\r\r" + DataPath() +
        ": No such file or directory\rCheck that the drive or network share holding it is connected, "
        "or choose the right folder.");
    struct TCase
    {
        const char* Name;
        bool There;
        bool Connected;
        QString Shown;
    };
    const TCase cases[] = {
        {"folder gone", false, true, gone},
        {"folder back", true, true, "Object not found"},
        {"window closed", false, false, "Object not found"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (!c.Connected)
            Window_.reset();
        Move(c.There);
        Messages_.Answer(TMessageAnswer::Ok);
        EXPECT_FALSE(TActionFactory::Call([] { throw std::runtime_error("Object not found"); }));
        ASSERT_FALSE(Messages_.Shown().empty());
        EXPECT_EQ(Messages_.Shown().back().Text, c.Shown);
    }
    EXPECT_EQ(Messages_.UnexpectedCount(), 0);
}

}  // namespace

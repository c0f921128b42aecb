#include "ui/FolderPrompt.h"

#include "ModalHandler.h"
#include "support/TempDir.h"
#include "support/FolderPromptScript.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <stdexcept>

namespace {

TEST(FolderPromptScript, AnswersInOrderAndRecordsEveryPrompt)
{
    TFolderPromptScript script;
    script.Answer(QString("/srv/orbeko"));
    script.Answer(std::nullopt);
    EXPECT_EQ(TFolderPrompt::Ask("Select Orbeko data folder", "/srv"), QString("/srv/orbeko"));
    EXPECT_EQ(TFolderPrompt::Ask("Again"), std::nullopt);
    ASSERT_EQ(script.Asked().size(), 2u);
    EXPECT_EQ(script.Asked()[0].Caption, "Select Orbeko data folder");
    EXPECT_EQ(script.Asked()[0].Start, "/srv");
    EXPECT_EQ(script.Asked()[1].Start, "");
    EXPECT_EQ(script.UnexpectedCount(), 0);
}

TEST(FolderPromptScript, UnexpectedPromptIsCancelled)
{
    TFolderPromptScript script;
    EXPECT_EQ(TFolderPrompt::Ask("Where?"), std::nullopt);
    EXPECT_EQ(script.UnexpectedCount(), 1);
}

TEST(FolderPromptScript, OuterScriptComesBackAfterAnException)
{
    TFolderPromptScript outer;
    outer.Answer(QString("/outer"));
    try {
        TFolderPromptScript inner;
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TFolderPrompt::Ask("x"), QString("/outer"));
}

TEST(FolderPrompt, RealPromptPicksAFolderAndMayCreateOne)
{
    const TTempDir dir;
    const QString folder = QString::fromStdString(dir.Path());
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool dirsOnly = false;
    bool readOnly = true;
    QString title;
    TModalHandler browse([&](QWidget& prompt) {
        EXPECT_EQ(prompt.windowTitle(), "Select Orbeko data folder");
        TModalHandler choose([&](QWidget& modal) {
            auto* dialog = qobject_cast<QFileDialog*>(&modal);
            ASSERT_NE(dialog, nullptr);
            mode = dialog->fileMode();
            dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
            readOnly = dialog->testOption(QFileDialog::ReadOnly);
            title = dialog->windowTitle();
            dialog->selectFile(folder);
            static_cast<QDialog*>(dialog)->accept();
        });
        prompt.findChild<QPushButton*>("btnBrowse")->click();
        EXPECT_TRUE(choose.Acted());
        prompt.findChild<QPushButton*>("btnOk")->click();
    });
    const std::optional<QString> chosen = TFolderPrompt::Ask("Select Orbeko data folder");
    EXPECT_EQ(mode, QFileDialog::Directory);
    EXPECT_TRUE(dirsOnly);
    EXPECT_FALSE(readOnly) << "a read-only dialog cannot create folders";
    EXPECT_EQ(title, "Select Orbeko data folder");
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QDir(*chosen).canonicalPath(), QDir(folder).canonicalPath());
}

TEST(FolderPrompt, RealPromptTakesATypedConnectionStringAndNeverNothing)
{
    bool emptyRefused = false;
    TModalHandler type([&](QWidget& prompt) {
        auto* location = prompt.findChild<QLineEdit*>("edtLocation");
        auto* ok = prompt.findChild<QPushButton*>("btnOk");
        EXPECT_EQ(location->text(), "/srv/start");
        location->setText("  ");
        emptyRefused = !ok->isEnabled();
        location->setText(" postgresql://server/orbeko ");
        ok->click();
    });
    EXPECT_EQ(TFolderPrompt::Ask("Select Orbeko Database Location?", "/srv/start"),
              QString("postgresql://server/orbeko"));
    EXPECT_TRUE(emptyRefused);
}

TEST(FolderPrompt, RealPromptCancelledGivesNothing)
{
    TModalHandler cancel([](QWidget& modal) { qobject_cast<QDialog*>(&modal)->reject(); });
    EXPECT_EQ(TFolderPrompt::Ask("Select Orbeko data folder"), std::nullopt);
    EXPECT_TRUE(cancel.Acted());
}

}  // namespace

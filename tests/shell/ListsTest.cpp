// The player and team lists: prefix search and stepping. (Filling them is
// part of the start-up in ShellTest; a pick fills the naming fields in
// FaceFolderWindowTest.)
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "editdb/EditFileBuilder.h"
#include "shell/Search.h"
#include "shell/frmMain.h"
#include "support/WindowEnv.h"

namespace {

// A full edit file with a few players chosen for the search.
class ListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EditFileBuilder builder;
        builder.fillAll().player(3, 3003, "smart").player(5, 3005, "SMITH");
        builder.player(10, 3010, "Twin").player(11, 3011, "Twin").team(2, "lionesses");
        window = env.openWindowOn(builder);
    }

    void type(const QString& text) { window->txtSearch->setText(text); }
    void key(Qt::Key k) { QTest::keyClick(window->txtSearch, k); }
    int selected() const { return Search::SelectedPosition(window->List1); }
    QString name() const { return window->txt[1]->text(); }

    WindowEnv env;
    std::unique_ptr<frmMain> window;
};

TEST_F(ListsTest, PrefixSearchIgnoresCaseAndClearsWhenNothingMatches)
{
    type("sm");
    EXPECT_EQ(selected(), 3);
    EXPECT_EQ(name(), "smart");  // a selection made by the search is a pick
    type("SMITh");
    EXPECT_EQ(selected(), 5);
    type("zzz");
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(name(), "SMITH");  // no selection is no pick: the fields keep the last player
    type("");
    EXPECT_EQ(selected(), -1);

    window->txtSearch2->setText("LIONE");  // the team search picks a team, and leaves the players alone
    EXPECT_EQ(window->Team->text(), "lionesses");
    EXPECT_EQ(name(), "SMITH");
}

TEST_F(ListsTest, UpAndDownStepTheSelectionAndCopyTheName)
{
    key(Qt::Key_Up);  // nothing selected: Up does nothing
    EXPECT_EQ(selected(), -1);
    key(Qt::Key_Down);  // Down from no selection takes the first entry
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(window->txtSearch->text(), "Player 0");
    key(Qt::Key_Down);
    EXPECT_EQ(selected(), 1);
    key(Qt::Key_Up);
    EXPECT_EQ(selected(), 0);

    // Entry 11 repeats entry 10's name: its name is copied and the search finds entry 10 again.
    type("Tw");
    key(Qt::Key_Down);
    EXPECT_EQ(selected(), 10);
    EXPECT_EQ(window->txt[0]->text(), "3010");
    window->List1->setCurrentRow(10159);
    key(Qt::Key_Down);
    EXPECT_EQ(selected(), 10159);
}

}  // namespace

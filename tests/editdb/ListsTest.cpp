// The player and team lists: filling, picking, prefix search and stepping.
#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "editdb/Search.h"
#include "shell/frmMain.h"
#include "support/EditFileBuilder.h"
#include "support/TestEnv.h"

namespace {

// A full edit file with a few players chosen for the search and the pick.
class ListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EditFileBuilder builder;
        builder.fillAll()
            .player(3, 3003, "smart")
            .player(5, 3005, "SMITH")
            .player(7, 3007, "Smith")
            .player(10, 3010, "Twin")
            .player(11, 3011, "Twin")
            .player(20, -1, "Minus")
            .player(57, 57, "")
            .team(1, "Lions")
            .team(2, "lionesses");
        editFile = builder.write(env.path("EDIT.bin"));
        env.storeLocations(editFile, env.faceFolder());
        window = env.openWindow();
    }

    void type(const QString& text) { window->txtSearch->setText(text); }
    void key(QLineEdit* field, Qt::Key k) { QTest::keyClick(field, k); }
    int selected() const { return Search::SelectedPosition(window->List1); }

    TestEnv env;
    QString editFile;
    std::unique_ptr<frmMain> window;
};

TEST_F(ListsTest, ListsHoldEveryRecordInRecordOrder)
{
    ASSERT_EQ(window->List1->count(), 10160);
    EXPECT_EQ(window->List1->item(0)->text(), "Player 0");
    EXPECT_EQ(window->List1->item(57)->text(), "");  // an empty name is an empty entry, not skipped
    EXPECT_EQ(window->List1->item(58)->text(), "Player 58");
    EXPECT_EQ(window->List1->item(10159)->text(), "Player 10159");
    ASSERT_EQ(window->List2->count(), 339);
    EXPECT_EQ(window->List2->item(1)->text(), "Lions");
    EXPECT_EQ(window->List2->item(338)->text(), "Team 338");
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(Search::SelectedPosition(window->List2), -1);
}

TEST_F(ListsTest, PickingPlayersFillsTheirFieldsAndEnablesCreate)
{
    EXPECT_FALSE(window->cmdCreate->isEnabled());
    EXPECT_FALSE(window->NameBin->isEnabled());
    EXPECT_FALSE(window->Generate->isEnabled());

    window->List1->setCurrentRow(20);
    EXPECT_EQ(window->txt[0]->text(), "-1");
    EXPECT_EQ(window->txt[1]->text(), "Minus");
    EXPECT_EQ(window->NameBin->text(), "Minus");  // the name field's change reaction ran
    EXPECT_TRUE(window->cmdCreate->isEnabled());
    EXPECT_TRUE(window->NameBin->isEnabled());
    EXPECT_TRUE(window->Generate->isEnabled());

    window->List1->setCurrentRow(57);
    EXPECT_EQ(window->txt[0]->text(), "57");
    EXPECT_EQ(window->txt[1]->text(), "<unnamed_57> ");

    // Clearing the selection is no pick: the fields keep the last player.
    Search::SetSelectedPosition(window->List1, -1);
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(window->txt[1]->text(), "<unnamed_57> ");
    window->List1_Click();
    EXPECT_EQ(window->txt[0]->text(), "57");
}

TEST_F(ListsTest, UserClickOnEnabledListPicksThePlayer)
{
    TestEnv::showAndSettle(*window);
    window->TabControl->setCurrentIndex(0);
    window->List1->setEnabled(true);
    QListWidgetItem* entry = window->List1->item(7);
    window->List1->scrollToItem(entry);
    QTest::mouseClick(window->List1->viewport(), Qt::LeftButton, {},
                      window->List1->visualItemRect(entry).center());
    EXPECT_EQ(selected(), 7);
    EXPECT_EQ(window->txt[0]->text(), "3007");
    EXPECT_EQ(window->txt[1]->text(), "Smith");
}

TEST_F(ListsTest, PrefixSearchIgnoresCaseAndClearsWhenNothingMatches)
{
    type("s");
    EXPECT_EQ(selected(), 3);
    type("sm");
    EXPECT_EQ(selected(), 3);
    EXPECT_EQ(window->txt[1]->text(), "smart");  // a selection set by the search is a pick
    type("smi");
    EXPECT_EQ(selected(), 5);
    EXPECT_EQ(window->txt[1]->text(), "SMITH");
    type("SMITh");
    EXPECT_EQ(selected(), 5);

    type("zzz");
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(window->txt[1]->text(), "SMITH");

    type("Tw");
    EXPECT_EQ(selected(), 10);
    type("");  // an emptied search field leaves nothing selected
    EXPECT_EQ(selected(), -1);

    // The search runs on the disabled list too.
    EXPECT_FALSE(window->List1->isEnabled());
}

TEST_F(ListsTest, UpAndDownStepTheSelectionAndCopyTheName)
{
    // Down from no selection starts at the first entry.
    key(window->txtSearch, Qt::Key_Down);
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(window->txtSearch->text(), "Player 0");
    EXPECT_EQ(window->txtSearch->selectedText(), "Player 0");
    EXPECT_EQ(window->txt[1]->text(), "Player 0");

    // Up on the first entry stays there.
    key(window->txtSearch, Qt::Key_Up);
    EXPECT_EQ(selected(), 0);

    key(window->txtSearch, Qt::Key_Down);
    key(window->txtSearch, Qt::Key_Down);
    EXPECT_EQ(selected(), 2);
    key(window->txtSearch, Qt::Key_Up);
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(window->txtSearch->text(), "Player 1");

    // Other keys only type.
    key(window->txtSearch, Qt::Key_Left);
    EXPECT_EQ(selected(), 1);
}

TEST_F(ListsTest, DownOntoARepeatedNameReturnsToItsFirstEntry)
{
    type("Tw");
    ASSERT_EQ(selected(), 10);
    key(window->txtSearch, Qt::Key_Down);
    // Entry 11 was selected, its name copied, and the search found entry 10 again.
    EXPECT_EQ(window->txtSearch->text(), "Twin");
    EXPECT_EQ(selected(), 10);
    EXPECT_EQ(window->txt[0]->text(), "3010");
}

TEST_F(ListsTest, DownOnTheLastEntryKeepsIt)
{
    window->List1->setCurrentRow(10159);
    key(window->txtSearch, Qt::Key_Down);
    EXPECT_EQ(selected(), 10159);
    EXPECT_EQ(window->txtSearch->text(), "Player 10159");
}

TEST_F(ListsTest, UpWithNoSelectionDoesNothing)
{
    window->txtSearch->setText("zzz");
    key(window->txtSearch, Qt::Key_Up);
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(window->txtSearch->text(), "zzz");
}

TEST_F(ListsTest, FocusSelectsTheWholeSearchText)
{
    window->txtSearch->setText("Smith");
    window->txtSearch->deselect();
    QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(window->txtSearch, &focus);
    EXPECT_EQ(window->txtSearch->selectedText(), "Smith");

    window->txtSearch2->setText("Lio");
    window->txtSearch2->deselect();
    QCoreApplication::sendEvent(window->txtSearch2, &focus);
    EXPECT_EQ(window->txtSearch2->selectedText(), "Lio");
}

TEST_F(ListsTest, TeamListPickSearchAndSteps)
{
    window->List2->setCurrentRow(2);
    EXPECT_EQ(window->Team->text(), "lionesses");
    Search::SetSelectedPosition(window->List2, -1);
    EXPECT_EQ(window->Team->text(), "");  // no selection empties the team name
    window->List2_Click();
    EXPECT_EQ(window->Team->text(), "");

    window->txtSearch2->setText("LION");
    EXPECT_EQ(Search::SelectedPosition(window->List2), 1);
    EXPECT_EQ(window->Team->text(), "Lions");
    window->txtSearch2->setText("LIONE");
    EXPECT_EQ(Search::SelectedPosition(window->List2), 2);

    key(window->txtSearch2, Qt::Key_Down);
    EXPECT_EQ(Search::SelectedPosition(window->List2), 3);
    EXPECT_EQ(window->txtSearch2->text(), "Team 3");
    EXPECT_EQ(window->Team->text(), "Team 3");
    // The player list is not touched by the team search.
    EXPECT_EQ(selected(), -1);
}

// The routines of the search module on a bare list.
TEST(SearchModule, StepsRefusalsAndOddDirections)
{
    QListWidget list;
    QLineEdit field;
    Search::StepSelection(&list, &field, Search::kDown);  // empty list: nothing
    EXPECT_EQ(Search::SelectedPosition(&list), -1);
    EXPECT_EQ(field.text(), "");

    list.addItems({"alpha", "Beta", "beta", ""});
    Search::StepSelection(&list, &field, 3);  // not a direction
    EXPECT_EQ(Search::SelectedPosition(&list), -1);
    Search::StepSelection(&list, &field, Search::kUp);
    EXPECT_EQ(Search::SelectedPosition(&list), -1);

    EXPECT_FALSE(Search::SetSelectedPosition(&list, 4));
    EXPECT_FALSE(Search::SetSelectedPosition(&list, -2));
    ASSERT_TRUE(Search::SetSelectedPosition(&list, 1));
    EXPECT_FALSE(Search::SetSelectedPosition(&list, 9));
    EXPECT_EQ(Search::SelectedPosition(&list), 1);  // a refused position keeps the selection
    EXPECT_EQ(Search::SelectedText(&list), "Beta");

    EXPECT_EQ(Search::FindPrefix(&list, "BET"), 1);
    EXPECT_EQ(Search::FindPrefix(&list, "alphabet"), -1);
    EXPECT_EQ(Search::FindPrefix(&list, ""), -1);

    // Stepping onto an empty entry copies the empty text.
    Search::SetSelectedPosition(&list, 2);
    field.setText("x");
    Search::StepSelection(&list, &field, Search::kDown);
    EXPECT_EQ(Search::SelectedPosition(&list), 3);
    EXPECT_EQ(field.text(), "");

    // A cursor without a selection is no selected position.
    list.clearSelection();
    list.setCurrentRow(0, QItemSelectionModel::NoUpdate);
    EXPECT_EQ(Search::SelectedPosition(&list), -1);
}

TEST(SearchModule, SelectionSignalsFireOncePerChange)
{
    QListWidget list;
    list.addItems({"a", "b", "c"});
    QSignalSpy spy(&list, &QListWidget::itemSelectionChanged);
    Search::SetSelectedPosition(&list, 1);
    EXPECT_EQ(spy.count(), 1);
    Search::SetSelectedPosition(&list, 1);  // same entry again: no new pick
    EXPECT_EQ(spy.count(), 1);
    Search::SetSelectedPosition(&list, -1);
    EXPECT_GE(spy.count(), 2);
    EXPECT_EQ(Search::SelectedPosition(&list), -1);
}

}  // namespace

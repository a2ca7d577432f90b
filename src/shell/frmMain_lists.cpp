// Reactions of the player and team lists.
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "editdb/Baza.h"
#include "editdb/TeamOF.h"
#include "shell/ListFill.h"
#include "shell/Search.h"
#include "shell/StartupWork.h"
#include "shell/frmMain.h"

void frmMain::wireLists()
{
    // A pick is any change of the selection, whether the user clicked or the
    // search moved it; the reactions read the selection, not the view's
    // current row, so a cursor without a selection is no pick.
    connect(List1, &QListWidget::itemSelectionChanged, this, &frmMain::List1_Click);
    connect(List2, &QListWidget::itemSelectionChanged, this, &frmMain::List2_Click);
    connect(txtSearch, &QLineEdit::textChanged, this, &frmMain::txtSearch_Change);
    connect(txtSearch2, &QLineEdit::textChanged, this, &frmMain::txtSearch2_Change);
    // Focus and keys of the search fields arrive through eventFilter.
    txtSearch->installEventFilter(this);
    txtSearch2->installEventFilter(this);
}

void frmMain::OtworzOF()
{
    QCoreApplication::processEvents();
    const QString path = Lokalizacja->text();
    bool playersLoaded = false, teamsLoaded = false;
    // At start the tables of the stored edit file have been loading already.
    std::optional<EditTables> early;
    if (startupWork_) early = startupWork_->tables(path);
    if (early) {
        baza = std::move(early->players);
        teamOF = std::move(early->teams);
        playersLoaded = early->playersLoaded;
        teamsLoaded = early->teamsLoaded;
    } else {
        playersLoaded = baza->Wczytaj(path);
        teamsLoaded = teamOF->Wczytaj(path);
    }
    // A table that does not load leaves its list as it was (empty at start).
    if (playersLoaded) ListFill::Players(List1, *baza);
    if (teamsLoaded) ListFill::Teams(List2, *teamOF);
}

void frmMain::List1_Click()
{
    const int position = Search::SelectedPosition(List1);
    if (position < 0) return;
    const qint32 id = baza->Get_ID(position);
    txt[0]->setText(QString::number(id));
    txt[1]->setText(baza->Get_Nazwa(position));
    if (Search::SelectedText(List1).isEmpty())
        txt[1]->setText(QStringLiteral("<unnamed_") + QString::number(id) + QStringLiteral("> "));
    NameBin_Change();
    NameBin2_Change();
    Dir_Click();
    cmdCreate->setEnabled(true);
    NameBin->setEnabled(true);
    Generate->setEnabled(true);
    ShowInstalledNote();
}

void frmMain::List2_Click() { Team->setText(Search::SelectedText(List2)); }

void frmMain::txtSearch_Change() { Search::SetSelectedPosition(List1, Search::FindPrefix(List1, txtSearch->text())); }

void frmMain::txtSearch_GotFocus() { Search::SelectAllText(txtSearch); }

void frmMain::txtSearch_KeyDown(DesktopKey KeyCode, int)
{
    if (KeyCode == DesktopKey::Up)
        Search::StepSelection(List1, txtSearch, Search::Direction::Up);
    else if (KeyCode == DesktopKey::Down)
        Search::StepSelection(List1, txtSearch, Search::Direction::Down);
}

void frmMain::txtSearch2_Change() { Search::SetSelectedPosition(List2, Search::FindPrefix(List2, txtSearch2->text())); }

void frmMain::txtSearch2_GotFocus() { Search::SelectAllText(txtSearch2); }

void frmMain::txtSearch2_KeyDown(DesktopKey KeyCode, int)
{
    if (KeyCode == DesktopKey::Up)
        Search::StepSelection(List2, txtSearch2, Search::Direction::Up);
    else if (KeyCode == DesktopKey::Down)
        Search::StepSelection(List2, txtSearch2, Search::Direction::Down);
}

#pragma once

#include <QWidget>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class frmMain;

// Installing many players from the face packs of the archive folder: the
// face and hair entries matched to players, one row per player with the
// folder it goes into, the line it adds and what stands in its way. The
// ticked rows are installed as one, every line and file or nothing. A window
// of its own beside the main window, which stays usable while it is open.
class frmBatchInstall : public QWidget {
    Q_OBJECT
public:
    enum Column { ColInstall, ColPlayer, ColId, ColFace, ColHair, ColTarget, ColLine, ColProblems, ColumnCount };

    explicit frmBatchInstall(frmMain& main);
    ~frmBatchInstall() override;

    // ----- controls -----
    QRadioButton* optOpenFolder = nullptr;    // "Folder open in the archive list"
    QRadioButton* optWholeArchive = nullptr;  // "Whole archive"
    QCheckBox* chkTeamFolders = nullptr;      // "Keep the pack's team folders"
    QPushButton* cmdReload = nullptr;
    QLabel* lblSummary = nullptr;
    QTableView* Table = nullptr;
    QPushButton* cmdInstall = nullptr;

    // The rows shown, the text of a cell as the user reads it, and the ticks.
    int rowCount() const;
    QString cellText(int row, int column) const;
    bool isTicked(int row) const;
    // Ticks or unticks a row as a click in its box does; a blocked row stays unticked.
    void setTicked(int row, bool ticked);

public slots:
    // Walks the archive again and matches its entries anew.
    void reload();
    // Installs the ticked rows as one, with progress and cancel.
    void cmdInstall_Click();

private:
    class Model;
    void showSummary();

    frmMain& main_;
    Model* model_ = nullptr;
};

#pragma once

#include <QWidget>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class ImageBox;
class InstalledGrid;
class frmMain;

// The face folder as installed: every line of map.txt with the player it
// names, its face and hair files and what is wrong with it, and the model
// files that no line names. Entries are previewed on a pick and can be
// removed with their files. A window of its own beside the main window,
// which stays usable while it is open.
class frmInstalled : public QWidget {
    Q_OBJECT
public:
    enum Column { ColLine, ColId, ColPlayer, ColFace, ColHair, ColState, ColumnCount };

    explicit frmInstalled(frmMain& main);
    ~frmInstalled() override;

    // ----- controls -----
    QLabel* lblSummary = nullptr;
    QCheckBox* chkProblems = nullptr;  // "Only problems"
    QCheckBox* chkPictures = nullptr;  // "Pictures": the grid instead of the table
    QPushButton* cmdReload = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdExport = nullptr;  // "Export as Face Pack..."
    QAction* mnuSelectTeam = nullptr;  // the list's "Select All of This Team Folder"
    QTableView* Table = nullptr;
    InstalledGrid* Grid = nullptr;  // the same rows as pictures
    ImageBox* FaceImg = nullptr;
    ImageBox* HairImg = nullptr;

    // The rows shown and the text of one cell, as the user reads them.
    int rowCount() const;
    QString cellText(int row, int column) const;
    // The row that shows a line of map.txt (1-based), or -1.
    int rowOfLine(int lineNumber) const;

public slots:
    // Reads map.txt and the face folder again and refills the list.
    void reload();
    void chkProblems_Click();
    void chkPictures_Click();
    void cmdRemove_Click();
    // Writes the selected entries as a face pack, after saying which cannot go.
    void cmdExport_Click();
    // Adds every entry whose files lie in the current entry's team folder to the selection.
    void mnuSelectTeam_Click();
    // Previews the textures of the entry picked in the list.
    void Table_CurrentChanged();

protected:
    void changeEvent(QEvent* event) override;

private:
    struct State;
    class Model;
    void previewFile(int fileIndex, ImageBox* box, bool hair);

    frmMain& main_;
    std::unique_ptr<State> state_;
    Model* model_ = nullptr;
};

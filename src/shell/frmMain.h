#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "platform/GameLocator.h"
#include "platform/Result.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

class Baza;
class GameSearch;
class StartupWork;
class BazaZlib;
class UnRarExtractor;
class FileList;
class FileSystemObject;
class FolderList;
class ImageBox;
class SettingsStore;
class TeamOF;
class TexturePreview;
class UiSeam;
class WebPane;
class frmAbout;
class frmBatchInstall;
class frmInstalled;
namespace MapFile {
class Cache;
}

// The desktop's key codes, as the key reactions receive them. Letters and
// digits arrive as their character codes.
enum class DesktopKey : int {
    None = 0,
    Backspace = 8,
    Tab = 9,
    Return = 13,
    Escape = 27,
    Left = 37,
    Up = 38,
    Right = 39,
    Down = 40,
    Delete = 46,
};

// The modifier keys held during a key reaction, as bits.
enum class ShiftState : int { Shift = 1, Ctrl = 2, Alt = 4 };

// What a window needs from outside; tests give each window its own.
struct MainOptions {
    QString programFolder;  // empty: ProgramFolder::defaultPath()
    QString settingsFile;   // empty: the user's real settings store
    UiSeam* ui = nullptr;   // null: the desktop's real dialogs
    bool webEngine = true;  // false: the light stand-in browser
    // Loaded into the web tab on each activation; empty: none. An address
    // stored under [News] Address in the settings replaces it.
    QUrl newsPage;
    static QUrl defaultNewsPage();  // the page built into the program
    // Where a first start, with no location stored, looks for the game's
    // edit file and face folder to offer them; nothing: no search.
    std::optional<GameLocator::Options> gameSearch = GameLocator::fromEnvironment();
};

// The main window. Its reactions carry the names of the control and the
// event; they live in one file per tab or subsystem (frmMain_*.cpp), each
// calling the widget-free logic of its subsystem.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(const MainOptions& options = MainOptions(), QWidget* parent = nullptr);
    ~frmMain() override;

    static QString caption();  // "Visagery Ludex Manager by ... version 1.0.2"

    // ----- controls (objectName = the control's name, arrays as "txt(0)") -----
    QTabWidget* TabControl = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* Sep = nullptr;
    QAction* mnuOpen2 = nullptr;
    QMenu* File = nullptr;
    QAction* About = nullptr;
    QMenu* FaceFolder = nullptr;         // menu "Face Folder"
    QAction* mnuInstalled = nullptr;     // "Installed..."
    QAction* mnuBatchInstall = nullptr;  // "Install from Archive..."
    QAction* mnuUndoInstall = nullptr;   // "Undo Last Install"

    QGroupBox* GroupBox12 = nullptr;
    QLineEdit* Lokalizacja2 = nullptr;
    QLineEdit* Lokalizacja = nullptr;
    QGroupBox* GroupBox11 = nullptr;
    QLineEdit* txtSearch = nullptr;
    QListWidget* List1 = nullptr;

    // page "Normal"
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    std::array<QLineEdit*, 2> txt{};
    QGroupBox* GroupBox4 = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QPushButton* cmd_Hair = nullptr;
    QPushButton* cmd_Face = nullptr;
    std::array<QLabel*, 2> lbl{};
    std::array<QRadioButton*, 6> Op{};
    QGroupBox* GroupBox6 = nullptr;
    QGroupBox* GroupBox8 = nullptr;
    QLineEdit* Generate = nullptr;
    QGroupBox* GroupBox7 = nullptr;
    QLineEdit* NameBin = nullptr;
    QPushButton* cmdCreate = nullptr;
    QGroupBox* GroupBox20 = nullptr;
    ImageBox* HairImg = nullptr;
    ImageBox* FaceImg = nullptr;
    QLabel* lblInstalled = nullptr;  // says when the picked player has a line in map.txt already

    // page "Face Pack"
    QGroupBox* GroupBox13 = nullptr;
    QGroupBox* GroupBox25 = nullptr;
    QLineEdit* Un = nullptr;
    QPushButton* cmd_FacePack = nullptr;
    QPushButton* cmd_Import = nullptr;
    FolderList* Rar = nullptr;
    QGroupBox* GroupBox9 = nullptr;
    QGroupBox* GroupBox10 = nullptr;
    std::array<FileList*, 2> ARCH{};
    QLineEdit* Face = nullptr;
    QLineEdit* Hair = nullptr;
    ImageBox* HairImg2 = nullptr;
    ImageBox* FaceImg2 = nullptr;
    QGroupBox* GroupBox14 = nullptr;
    QGroupBox* GroupBox16 = nullptr;
    QGroupBox* GroupBox19 = nullptr;
    QLineEdit* NameBin3 = nullptr;
    QLineEdit* Generate3 = nullptr;
    QGroupBox* GroupBox17 = nullptr;
    QLineEdit* FolderText = nullptr;
    QGroupBox* GroupBox18 = nullptr;
    QLineEdit* NameBin2 = nullptr;
    QLineEdit* Generate2 = nullptr;
    QPushButton* cmdCreate2 = nullptr;
    QGroupBox* GroupBox15 = nullptr;
    FolderList* Dir = nullptr;
    std::array<QCheckBox*, 2> Che{};

    // page "Folder Setting"
    QGroupBox* GroupBox21 = nullptr;
    QLineEdit* txtSearch2 = nullptr;
    QListWidget* List2 = nullptr;
    QGroupBox* GroupBox22 = nullptr;
    QGroupBox* GroupBox27 = nullptr;
    QLineEdit* ClearArchive = nullptr;
    QPushButton* cmd_Clear_Archive = nullptr;
    QGroupBox* GroupBox26 = nullptr;
    QLineEdit* Clear = nullptr;
    QPushButton* cmd_Clear_Folder = nullptr;
    QGroupBox* GroupBox24 = nullptr;
    QPushButton* cmd_Delete_Folder = nullptr;
    QLineEdit* TeamDelete = nullptr;
    QGroupBox* GroupBox23 = nullptr;
    QPushButton* cmd_Add_Folder = nullptr;
    QLineEdit* Team = nullptr;
    FolderList* Dir2 = nullptr;

    // web page
    WebPane* Web = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Back = nullptr;
    QPushButton* Forward = nullptr;

    // ----- objects owned by the window -----
    std::unique_ptr<Baza> baza;
    std::unique_ptr<BazaZlib> zlib;
    std::unique_ptr<TeamOF> teamOF;
    std::unique_ptr<FileSystemObject> fso;
    std::unique_ptr<TexturePreview> preview;  // TexBuffer and ModelPath live here
    std::unique_ptr<UnRarExtractor> UnRar;    // the face-pack extraction component

    QString programFolder() const { return programFolder_; }
    // The program folder followed by a literal such as "\Face".
    QString prog(const QString& literal) const;
    UiSeam& ui() const { return *ui_; }
    SettingsStore& settings() const { return *settings_; }
    const MainOptions& options() const { return options_; }

public slots:
    // application shell
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void mnuOpen_Click();
    void mnuOpen2_Click();
    void About_Click();
    void Back_Click();
    void Forward_Click();
    void Web_Event();

    // edit-file database
    void OtworzOF();
    void List1_Click();
    void List2_Click();
    void txtSearch_Change();
    void txtSearch_GotFocus();
    void txtSearch_KeyDown(DesktopKey KeyCode, int Shift);
    void txtSearch2_Change();
    void txtSearch2_GotFocus();
    void txtSearch2_KeyDown(DesktopKey KeyCode, int Shift);

    // model files; each preview returns false when it failed
    void cmd_Face_Click();
    void cmd_Hair_Click();
    bool TextureFace();
    bool TextureHair();
    bool TextureFace2();
    bool TextureHair2();
    void Delete();

    // face folder
    void txt_Change(int Index);
    void NameBin_Change();
    void NameBin2_Change();
    void NameBin3_Change();
    void FolderText_Change();
    void Op_Click(int Index);
    void Che_Click(int Index);
    void Dir_Click();
    void Dir_Change();
    void Dir2_Click();
    void cmd_Add_Folder_Click();
    void cmd_Delete_Folder_Click();
    void cmd_Clear_Folder_Click();
    void cmdCreate_Click();
    void cmdCreate2_Click();

    // installed faces: the view of the face folder and the note on tab "Normal"
    frmInstalled* mnuInstalled_Click();
    frmBatchInstall* mnuBatchInstall_Click();
    // Takes back the last create or batch install, after the user confirmed
    // what it removes and puts back; otherwise says why it cannot.
    void mnuUndoInstall_Click();
    void ShowInstalledNote();

    // The first start's offer: the places the search found, once it is done
    // and the window's activation is over. Accepted, they are taken and
    // stored as the menus would; declined, nothing changes.
    void offerFoundLocations();
    // The search of a first start is under way, or its finds wait to be offered.
    bool gameSearchPending() const { return gameSearch_ != nullptr || foundGame_.has_value(); }
    // Previews an installed model file into an image box of another window,
    // through the preview's own scratch files; the placeholder when it failed.
    bool previewInstalled(const QString& modelFile, bool hair, ImageBox* box);

    // face-pack archive
    void cmd_FacePack_Click();
    void Rar_Change();
    void cmd_Import_Click();
    void cmd_Clear_Archive_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Builds the control inventory at its design positions.
    void buildUi();
    // Each subsystem connects its own reactions.
    void wireShell();
    void wireLists();
    void wireModels();
    void wireFaceFolder();
    void wireArchive();
    void wireWeb();
    void buildInstalledUi();
    void wireInstalled();
    // Start-up reads (recovery, the stored edit file's tables) run on a
    // thread of their own while the controls are built; Form_Load and its
    // OtworzOF take what they made.
    void startStartupWork();
    std::unique_ptr<StartupWork> startupWork_;
    // The search for the game at a first start, beside the start-up work.
    void startGameSearch();
    std::unique_ptr<GameSearch> gameSearch_;
    std::optional<GameLocator::Found> foundGame_;
    bool activating_ = false;
    bool activatedOnce_ = false;

    // Takes a model file from disk onto a working copy and previews it:
    // chosen in the file chooser, or dropped (takeModel alone).
    void chooseModel(const QString& title, const QString& workingLiteral, QLabel* label, bool (frmMain::*texture)());
    void takeModel(const QString& chosen, const QString& workingLiteral, QLabel* label, bool (frmMain::*texture)());
    // "Export Texture..." and "Replace Texture..." on the image boxes of the
    // tabs "Normal" and "Face Pack" (frmMain_texture.cpp).
    void wireTextureActions();
    std::array<QString, 2> chosenModels_;  // the files last taken onto "\Face" and "\Hair"
    // Unpacks a face pack into the archive: chosen with cmd_FacePack, or dropped.
    void importFacePack(const QString& path);
    // Drag and drop: model files onto the previews of the tab "Normal", face
    // packs onto the tab "Face Pack"; anything else is refused with a message.
    void wireDrops();
    bool dropFilter(QObject* watched, QEvent* event);
    void dropModel(const QList<QUrl>& urls, bool face);
    void dropFacePack(const QList<QUrl>& urls);
    // One preview into its image box; the placeholder when it failed.
    bool runPreview(const QString& workingLiteral, const QString& bitmapLiteral, ImageBox* box);
    // A team folder command: refused with the check's message, or run, after
    // which both folder lists go back to the face folder.
    void runTeamFolderCommand(const Result& check, const std::function<Result()>& command);
    // Shows a failure's message as a warning; nothing on success.
    void warn(const Result& result);

    MainOptions options_;
    QString programFolder_;
    UiSeam* ui_ = nullptr;
    std::unique_ptr<SettingsStore> settings_;
    bool unloaded_ = false;
    std::unique_ptr<MapFile::Cache> mapCache_;  // map.txt for the note on tab "Normal"
    QPointer<frmInstalled> installed_;
    QPointer<frmBatchInstall> batch_;
};

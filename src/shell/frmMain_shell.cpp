// The main window's life: load, activation, unload, and the two menu commands.
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QShowEvent>

#include "editdb/Baza.h"
#include "models/ScratchFiles.h"
#include "platform/Common_Dialog.h"
#include "platform/FileSystemObject.h"
#include "platform/FileTransaction.h"
#include "platform/FolderList.h"
#include "platform/SettingsStore.h"
#include "platform/UiSeam.h"
#include "platform/WebPane.h"
#include "platform/modBrowseFolder.h"
#include "platform/modSetAlphaIcon.h"
#include "shell/ListFill.h"
#include "shell/StartupWork.h"
#include "shell/frmMain.h"

#include "facefolder/InterruptedWork.h"

namespace {

const QString kEditKey = QStringLiteral("Edit");
const QString kMapKey = QStringLiteral("Map");

// The desktop key code of a key event; letters and digits keep their
// character codes, other keys that no reaction looks at are None.
DesktopKey keyCode(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: return DesktopKey::Left;
    case Qt::Key_Up: return DesktopKey::Up;
    case Qt::Key_Right: return DesktopKey::Right;
    case Qt::Key_Down: return DesktopKey::Down;
    case Qt::Key_Return:
    case Qt::Key_Enter: return DesktopKey::Return;
    case Qt::Key_Escape: return DesktopKey::Escape;
    case Qt::Key_Backspace: return DesktopKey::Backspace;
    case Qt::Key_Tab: return DesktopKey::Tab;
    case Qt::Key_Delete: return DesktopKey::Delete;
    default: break;
    }
    const int key = event->key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return static_cast<DesktopKey>(key);
    return DesktopKey::None;
}

// The modifier keys held, as the key reactions receive them.
int shiftState(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    return (modifiers & Qt::ShiftModifier ? int(ShiftState::Shift) : 0) |
           (modifiers & Qt::ControlModifier ? int(ShiftState::Ctrl) : 0) |
           (modifiers & Qt::AltModifier ? int(ShiftState::Alt) : 0);
}

}  // namespace

void frmMain::wireShell()
{
    connect(mnuOpen, &QAction::triggered, this, &frmMain::mnuOpen_Click);
    connect(mnuOpen2, &QAction::triggered, this, &frmMain::mnuOpen2_Click);
    connect(About, &QAction::triggered, this, &frmMain::About_Click);
}

void frmMain::startStartupWork()
{
    const QString icon = QStringLiteral("APPICON");
    startupWork_ = std::make_unique<StartupWork>(
        programFolder(), settings().GetSetting(kSettingsApp, kSettingsSection, kEditKey, kSettingsDefault), icon,
        settings().GetSetting(kSettingsApp, kSettingsSection, kMapKey, kSettingsDefault));
    modSetAlphaIcon::Preload(icon, startupWork_->icon());
}

void frmMain::Form_Load()
{
    // Work that a crash or a kill cut short is finished or taken back before
    // anything is shown, and its scratch removed. Only what could not be put
    // right is worth a word.
    const FileTransaction::Recovery recovered =
        startupWork_ ? startupWork_->recovered()
                     : StartupWork::recover(programFolder(), settings().GetSetting(kSettingsApp, kSettingsSection,
                                                                                   kMapKey, kSettingsDefault));
    if (const QString problems = interruptedWorkProblems(recovered); !problems.isEmpty())
        ui().message(this, problems, UiSeam::Icon::Warning);

    // The player table, the codec and the team table exist already: the
    // constructor creates them before the controls.
    Lokalizacja->setText(settings().GetSetting(kSettingsApp, kSettingsSection, kEditKey, kSettingsDefault));
    Lokalizacja2->setText(settings().GetSetting(kSettingsApp, kSettingsSection, kMapKey, kSettingsDefault));

    if (!Lokalizacja->text().isEmpty()) OtworzOF();
    startupWork_.reset();

    modSetAlphaIcon::SetIcon(this, QStringLiteral("APPICON"), true);

    // No working file survives from one run to the next.
    QFile::remove(prog(QStringLiteral("\\Face")));
    QFile::remove(prog(QStringLiteral("\\Hair")));

    // A missing archive folder is refused and Rar stays where it was.
    Rar->setPath(prog(QStringLiteral("\\Archive\\")));

    fso = std::make_unique<FileSystemObject>();

    const QString faceFolder = Lokalizacja2->text();
    Dir->setPath(faceFolder);
    Dir2->setPath(faceFolder);

    // A face folder that does not exist yet is created. Only a real absolute
    // path is created: the placeholder "Change..." of a first start, an
    // emptied field or a relative text would otherwise make a stray folder
    // wherever the program happened to be started.
    if (Dir->Path() != faceFolder && !faceFolder.isEmpty() && QDir::isAbsolutePath(faceFolder)) {
        fso->CreateFolder(faceFolder);
        Dir->setPath(faceFolder);
        Dir2->setPath(faceFolder);
    }
}

void frmMain::Form_Activate()
{
    if (unloaded_) return;
    activating_ = true;
    const QString editFile = Lokalizacja->text();
    // True only for a file: an edit-file path naming a folder is missing too.
    if (!fso || !fso->FileExists(editFile))
        ui().message(this, QStringLiteral("Lack - ") + editFile, UiSeam::Icon::None);
    QCoreApplication::processEvents();
    if (Web && !options().newsPage.isEmpty()) Web->navigate(options().newsPage);
    activating_ = false;
    activatedOnce_ = true;
    // What a first start's search found is offered after the activation, not inside its box.
    if (foundGame_) QMetaObject::invokeMethod(this, &frmMain::offerFoundLocations, Qt::QueuedConnection);
}

void frmMain::Form_Unload()
{
    unloaded_ = true;
    // Files that are not there are simply skipped; nothing is reported.
    for (const QString& name : ScratchFiles::deleteList()) QFile::remove(prog(name));
    QFile::remove(prog(QStringLiteral("\\Face")));
    QFile::remove(prog(QStringLiteral("\\Hair")));
    // Closing the program's own window ends the program. A window opened
    // with scripted dialogs belongs to a test, which goes on running.
    if (options().ui == nullptr) QCoreApplication::quit();
}

void frmMain::mnuOpen_Click()
{
    QCoreApplication::processEvents();
    Common_Dialog dialog(ui());
    const QString chosen = dialog.OpenFileName(this, QStringLiteral("Open Edit File"), QString(),
                                               QStringLiteral("Edit.bin (*.bin)|*.bin| All Files (*.*)|*.*"));
    // "-1", like any number, means that nothing was chosen. Only the player
    // table is reloaded; the teams stay as they were loaded at start.
    if (!IsNumeric(chosen) && baza->File_Exists(chosen)) {
        if (baza->Wczytaj(chosen)) {
            ListFill::Players(List1, *baza);
            Lokalizacja->setText(chosen);
        } else if (!baza->loadError().isEmpty()) {
            // The user chose it: say why nothing changed.
            ui().message(this,
                         QStringLiteral("The edit file cannot be loaded. %1.\n\nChoose the game's edit file itself.")
                             .arg(baza->loadError()),
                         UiSeam::Icon::Warning);
        }
    }
    // Stored in every case, so a path typed into the field is kept as well.
    settings().SaveSetting(kSettingsApp, kSettingsSection, kEditKey, Lokalizacja->text());
    QCoreApplication::processEvents();
}

void frmMain::mnuOpen2_Click()
{
    const QString chosen = modBrowseFolder::BrowseForFolder(ui(), QStringLiteral("a"), this);
    // A cancelled browser keeps the face folder as it was; storing the empty
    // text would lose the user's location for every later run.
    if (chosen.isEmpty()) return;
    Lokalizacja2->setText(chosen);
    settings().SaveSetting(kSettingsApp, kSettingsSection, kMapKey, Lokalizacja2->text());
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A show from code (the first one, and each one after the about window
    // handed back) activates the window; a show the window system makes on
    // its own, such as a restore from the task bar, does not. The activation
    // runs after show() returns, as the window's own reaction.
    if (!event->spontaneous()) QMetaObject::invokeMethod(this, &frmMain::Form_Activate, Qt::QueuedConnection);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!unloaded_) Form_Unload();
    QMainWindow::closeEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (dropFilter(watched, event)) return true;
    if (watched == txtSearch || watched == txtSearch2) {
        const bool players = watched == txtSearch;
        if (event->type() == QEvent::FocusIn) {
            players ? txtSearch_GotFocus() : txtSearch2_GotFocus();
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            players ? txtSearch_KeyDown(keyCode(key), shiftState(key))
                    : txtSearch2_KeyDown(keyCode(key), shiftState(key));
        }
        // The field goes on to handle the event as usual.
    }
    return QMainWindow::eventFilter(watched, event);
}

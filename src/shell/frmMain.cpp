#include "shell/frmMain.h"

#include <QCloseEvent>
#include <QShowEvent>

#include "archive/UnRarExtractor.h"
#include "editdb/Baza.h"
#include "editdb/TeamOF.h"
#include "facefolder/MapFile.h"
#include "models/BazaZlib.h"
#include "models/TexturePreview.h"
#include "platform/FileSystemObject.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"
#include "platform/UiSeam.h"
#include "shell/GameSearch.h"
#include "shell/StartupWork.h"

// The news page built into the program: the tab works offline.
QUrl MainOptions::defaultNewsPage() { return QUrl(QStringLiteral("qrc:/news/index.html")); }

QString frmMain::caption() { return QStringLiteral("Visagery Ludex Manager by Alder Quintfeld version 1.0.2"); }

frmMain::frmMain(const MainOptions& options, QWidget* parent) : QMainWindow(parent), options_(options)
{
    programFolder_ = options_.programFolder.isEmpty() ? ProgramFolder::defaultPath() : options_.programFolder;
    ui_ = options_.ui ? options_.ui : &UiSeam::desktop();
    settings_ = std::make_unique<SettingsStore>(options_.settingsFile);
    // Start-up work that needs no control runs beside the building of them.
    startStartupWork();
    startGameSearch();

    // The objects live exactly as long as the window. The tables and the codec
    // come first; the preview's buffer is allocated once, here.
    baza = std::make_unique<Baza>();
    zlib = std::make_unique<BazaZlib>();
    teamOF = std::make_unique<TeamOF>();
    preview = std::make_unique<TexturePreview>(programFolder_, *zlib);
    UnRar = std::make_unique<UnRarExtractor>();

    setWindowTitle(caption());
    buildUi();
    wireShell();
    wireWeb();
    wireLists();
    wireModels();
    wireFaceFolder();
    wireArchive();
    wireDrops();
    wireInstalled();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::warn(const Result& result)
{
    if (!result) ui().message(this, result.message, UiSeam::Icon::Warning);
}

QString frmMain::prog(const QString& literal) const { return ProgramFolder::join(programFolder_, literal); }

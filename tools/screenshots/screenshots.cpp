// Opens the main window on the sample world of ludex-manager --demo (edit
// file, face folder with team folders, archive with a face pack), with face
// and hair models loaded and the program's own news page, and saves a PNG of
// every tab page, of the installed faces (as a table and as pictures), of the install from the archive and
// of the about window, at the design size and at twice that size.
//
//   ludex_screenshots OUTDIR            main window pages at 1x and 2x, about at 1x
//   ludex_screenshots OUTDIR --about    the about window alone (run with QT_SCALE_FACTOR=2 for 2x)
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenuBar>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QWindow>
#include <cstdio>

#include "platform/FolderList.h"
#include "platform/WebPane.h"
#include "sample/SampleWorld.h"
#include "shell/SampleWindow.h"
#include "shell/frmAbout.h"
#include "shell/frmBatchInstall.h"
#include "shell/frmInstalled.h"
#include "shell/frmMain.h"
#include "support/ScriptedUi.h"
#include "support/WindowEnv.h"

namespace {

void settle(int ms = 400)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(20);
    }
}

// What the X server shows of the window: also the browser's own surface.
bool save(QWidget& window, const QString& file)
{
    settle();
    QPixmap shot = window.screen()->grabWindow(window.winId());
    if (shot.isNull() || shot.width() < 10) shot = window.grab();
    const bool ok = shot.save(file, "PNG");
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "FAILED", qPrintable(file), shot.width(), shot.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [--about]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const bool aboutOnly = argc > 2 && QByteArray(argv[2]) == "--about";
    QDir().mkpath(out);
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qgetenv("QT_SCALE_FACTOR").toDouble() : 1.0;
    const QString scaleTag = scale > 1.5 ? QStringLiteral("2x") : QStringLiteral("1x");
    bool ok = true;

    ScriptedUi ui;
    MainOptions options;
    options.ui = &ui;
    options.newsPage = MainOptions::defaultNewsPage();
    QString why;
    const std::unique_ptr<SampleWindow> sample = SampleWindow::open(options, &why);
    if (!sample) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    const SampleWorld& world = sample->world();
    frmMain& window = sample->window();
    window.move(0, 0);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    settle(1500);

    if (!aboutOnly) {
        // A loaded face and hair, so the preview boxes show pictures.
        ui.files = {world.faceModel(), world.hairModel()};
        window.cmd_Face_Click();
        window.cmd_Hair_Click();
        if (window.List1->count() > 3) window.List1->setCurrentRow(3), window.List1_Click();
        // An archive entry imported, so the tab "Face Pack" shows its previews too.
        window.Rar->setPath(world.programFolder() + "/Archive/Sample Face Pack/Millbrook Athletic");
        window.ARCH[0]->selectFile(QStringLiteral("Lasse Quinlow_Face.bin"));
        window.ARCH[1]->selectFile(QStringLiteral("Lasse Quinlow_Hair.bin"));
        window.cmd_Import_Click();

        const QSize design = window.centralWidget()->size();
        const int extra = window.height() - design.height();
        for (int factor : {1, 2}) {
            window.resize(design.width() * factor, design.height() * factor + extra);
            if (!QTest::qWaitFor([&] { return window.centralWidget()->size() == design * factor; }, 5000))
                std::printf("client area stayed %dx%d\n", window.centralWidget()->width(),
                            window.centralWidget()->height());
            for (int page = 0; page < window.TabControl->count(); ++page) {
                window.TabControl->setCurrentIndex(page);
                if (window.TabControl->currentWidget() == window.Web->parentWidget()) settle(1500);
                QString tab = window.TabControl->tabText(page);
                tab.replace(' ', '_');
                ok &= save(window, QStringLiteral("%1/main_%2_%3x.png").arg(out, tab).arg(factor));
            }
        }
        window.resize(design.width(), design.height() + extra);
        window.TabControl->setCurrentIndex(1);
        settle();

        frmInstalled* installed = window.mnuInstalled_Click();
        installed->move(0, 0);
        installed->resize(1100, 480);
        installed->Table->selectRow(0);
        ok &= save(*installed, QStringLiteral("%1/installed_1x.png").arg(out));
        installed->chkPictures->click();  // the same entries as pictures
        settle(1500);
        ok &= save(*installed, QStringLiteral("%1/installed_pictures_1x.png").arg(out));
        installed->close();
        settle();

        // The whole pack with its team folders: one of them is not in the face folder yet.
        frmBatchInstall* batch = window.mnuBatchInstall_Click();
        batch->optWholeArchive->click();
        batch->chkTeamFolders->click();
        batch->move(0, 0);
        batch->resize(1400, 360);
        ok &= save(*batch, QStringLiteral("%1/batch_install_1x.png").arg(out));
        batch->close();
        settle();
    }

    window.About_Click();
    const QList<frmAbout*> abouts = WindowEnv::openWindows<frmAbout>();
    if (abouts.isEmpty()) return 1;
    frmAbout* about = abouts.first();
    about->move(0, 0);
    ok &= save(*about, QStringLiteral("%1/about_%2.png").arg(out, scaleTag));
    about->close();
    settle();
    window.close();
    return ok ? 0 : 1;
}

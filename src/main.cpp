#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include "platform/FileTransaction.h"
#include "platform/UiSeam.h"
#include "sample/SampleWorld.h"
#include "shell/FirstPaintProbe.h"
#include "shell/SampleWindow.h"
#include "shell/frmMain.h"

int main(int argc, char* argv[])
{
    // Qt WebEngine shares OpenGL contexts with the widgets; this must be set
    // before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setApplicationName(QStringLiteral("ludex-manager"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUDEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Visagery Ludex Manager: installs player faces and hair into the face folder of the "
                       "Visagery add-on for Kickvale Football 2011.\n\n"
                       "Without options it opens on the edit file and face folder stored at the last run "
                       "(File > Location - Edit.bin, File > Location - Ludex\\Face)."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Open on a fresh sample world in a temporary folder: an edit file of invented players and "
                       "teams, a face folder, two model files and a face pack. It has settings of its own, so "
                       "your stored locations are neither read nor changed, and it is removed when the window "
                       "closes."));
    parser.addOption(demo);

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    (void)parser.parse(arguments);
    if (parser.isSet(help) || parser.isSet(version)) {
        // Answered on a terminal without a display: no window system is
        // asked for, and the program ends here.
        QCoreApplication plain(argc, argv);
        if (parser.isSet(help)) parser.showHelp();
        parser.showVersion();
    }

    QApplication app(argc, argv);
    // The window system's own options are taken out by now; anything else
    // unknown is an error.
    parser.process(app);

    MainOptions options;
    options.newsPage = MainOptions::defaultNewsPage();
    if (!parser.isSet(demo)) {
        frmMain window(options);
        FirstPaintProbe::watchIfAsked();  // start-up measurements only
        window.show();
        const int code = app.exec();
        // The scratch of the last install goes before the program ends.
        FileTransaction::waitForTidying();
        return code;
    }

    QString why;
    const std::unique_ptr<SampleWindow> sample = SampleWindow::open(options, &why);
    if (!sample) {
        UiSeam::desktop().message(nullptr, why, UiSeam::Icon::Critical);
        return 1;
    }
    // The file choosers open where the world's model files and face pack lie.
    QDir::setCurrent(sample->world().downloads());
    sample->window().show();
    const int code = app.exec();
    // The world is removed on the way out, after its window.
    QDir::setCurrent(QDir::tempPath());
    return code;
}

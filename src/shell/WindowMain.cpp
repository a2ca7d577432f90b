// The window of the program, built as a module of its own that the
// executable loads only when it is started without a command: a command runs
// on Qt Core alone, without a display, and never loads a widget library.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include "platform/FileTransaction.h"
#include "platform/ProgramOptions.h"
#include "platform/UiSeam.h"
#include "sample/SampleWorld.h"
#include "shell/FirstPaintProbe.h"
#include "shell/SampleWindow.h"
#include "shell/frmMain.h"

extern "C" Q_DECL_EXPORT int ludex_window_main(int argc, char* argv[])
{
    // Qt WebEngine shares OpenGL contexts with the widgets; this must be set
    // before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QCommandLineParser parser;
    const ProgramOptions::WindowOptions known = ProgramOptions::addWindowOptions(parser);

    QApplication app(argc, argv);
    // The window system's own options are taken out by now; the executable
    // has refused anything else unknown before a display was asked for.
    parser.process(app);

    MainOptions options;
    options.newsPage = MainOptions::defaultNewsPage();
    if (!parser.isSet(known.demo)) {
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

#include <QApplication>

#include "shell/FirstPaintProbe.h"
#include "shell/frmMain.h"

int main(int argc, char* argv[])
{
    // Qt WebEngine shares OpenGL contexts with the widgets; this must be set
    // before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ludex-manager"));

    MainOptions options;
    options.newsPage = MainOptions::defaultNewsPage();
    frmMain window(options);
    FirstPaintProbe::watchIfAsked();  // start-up measurements only
    window.show();
    return app.exec();
}

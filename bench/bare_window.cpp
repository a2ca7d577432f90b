// The floor of the launch benchmark: a bare Qt window holding nothing but a
// list of the player list's names (read from the text file given, one name a
// line), at the program's window size, started and watched the same way.
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>

#include "shell/FirstPaintProbe.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* list = new QListWidget(&window);
    list->setUniformItemSizes(true);
    if (argc > 1) {
        QFile names(QString::fromLocal8Bit(argv[1]));
        if (names.open(QIODevice::ReadOnly))
            list->addItems(QString::fromUtf8(names.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    }
    window.setCentralWidget(list);
    window.resize(900, 660);
    FirstPaintProbe::watchIfAsked();
    window.show();
    return app.exec();
}

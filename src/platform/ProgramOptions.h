#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The options of the window door of the program (`ludex-manager` without a
// command), shared by the executable, which answers --help and --version and
// refuses anything unknown without asking for a display, and by the window
// module, which reads --demo.
namespace ProgramOptions {

struct WindowOptions {
    QCommandLineOption help;
    QCommandLineOption version;
    QCommandLineOption demo;
};

// Describes the program and adds --help, --version and --demo to `parser`.
WindowOptions addWindowOptions(QCommandLineParser& parser);

// Looks at the arguments (without the program name) of a start without a
// command: empty when the window can open on them, otherwise the one-line
// reason (an unknown option, an option without its value). The window
// system's own options (-platform NAME, -style NAME, ...) are accepted.
QString refuseWindowArguments(const QStringList& arguments);

}  // namespace ProgramOptions

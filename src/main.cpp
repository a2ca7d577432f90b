#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <algorithm>
#include <cstdio>

#include "cli/Cli.h"
#include "platform/ProgramOptions.h"

namespace {

// The window lives in a module of its own (ludex_window) so that a command
// never loads a widget library. It lies beside the program, in the program's
// folder under the library folder of an installed copy, or where the build
// put it.
int openWindow(int argc, char* argv[])
{
    using WindowMain = int (*)(int, char**);
    QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (program.isEmpty()) program = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath();
    const QString folder = QFileInfo(program).absolutePath();
    QString why;
    for (const QString& candidate :
         {folder, folder + QStringLiteral("/" LUDEX_WINDOW_INSTALLED_DIR), QStringLiteral(LUDEX_WINDOW_BUILD_DIR)}) {
        QLibrary module(candidate + QStringLiteral("/ludex_window"));
        if (!module.load()) {
            if (why.isEmpty()) why = module.errorString();
            continue;
        }
        if (auto windowMain = reinterpret_cast<WindowMain>(module.resolve("ludex_window_main")))
            return windowMain(argc, argv);
        why = module.errorString();
    }
    std::fprintf(stderr, "ludex-manager: the window could not be loaded (%s); the commands still work (see --help)\n",
                 qPrintable(why));
    return 1;
}

// Where the command's name is: first as a rule, but the options every
// command shares may come before it ("ludex-manager --json check"), and so
// may --help. The values of the options that take one are passed over; -1
// when no command is named.
int commandPosition(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (!argument.startsWith('-')) return Cli::isCommand(argv[i]) ? i : -1;
        if (argument == "--face-folder" || argument == "--edit-file" || argument == "--program-folder") ++i;
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("ludex-manager"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUDEX_VERSION));

    if (const int at = commandPosition(argc, argv); at > 0) {
        // The command's name goes first, the options keep their order.
        std::rotate(argv + 1, argv + at, argv + at + 1);
        return Cli::run(argc, argv);
    }

    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // Without a command the window opens. What it cannot take is refused
    // here, in one line, before a display is asked for.
    if (const QString refused = ProgramOptions::refuseWindowArguments(arguments.mid(1)); !refused.isEmpty()) {
        std::fprintf(stderr, "ludex-manager: %s (ludex-manager --help lists the options and commands)\n",
                     qPrintable(refused));
        return 2;
    }

    QCommandLineParser parser;
    const ProgramOptions::WindowOptions known = ProgramOptions::addWindowOptions(parser);
    (void)parser.parse(arguments);
    if (parser.isSet(known.help) || parser.isSet(known.version) || arguments.contains(QStringLiteral("--help-all"))) {
        // Answered on a terminal without a display: no window system is
        // asked for, and the program ends here.
        QCoreApplication plain(argc, argv);
        if (!parser.isSet(known.help) && !arguments.contains(QStringLiteral("--help-all"))) parser.showVersion();
        std::fputs(qPrintable(parser.helpText() + QLatin1Char('\n') + Cli::commandsHelp()), stdout);
        return 0;
    }
    return openWindow(argc, argv);
}

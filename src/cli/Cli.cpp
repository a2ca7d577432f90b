#include "cli/Cli.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <map>

#include "cli/Command.h"
#include "facefolder/InterruptedWork.h"
#include "platform/FileOps.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"

namespace Cli {

namespace {

std::map<QString, Factory>& registry()
{
    static std::map<QString, Factory> commands;
    return commands;
}

// What the settings hold for a key, empty when nothing was ever chosen there.
QString stored(const SettingsStore& settings, const char* key)
{
    const QString value = settings.GetSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                                              QString::fromLatin1(key), QString::fromLatin1(kSettingsDefault));
    return value == QLatin1String(kSettingsDefault) ? QString() : value;
}

// For tests: the shared libraries this process has loaded, from the kernel's map.
void printLoadedLibraries(Terminal& terminal)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return;
    QSet<QString> seen;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash < 0) continue;
        const QString path = QString::fromLocal8Bit(line.mid(slash));
        if (!path.contains(QLatin1String(".so")) || seen.contains(path)) continue;
        seen.insert(path);
        terminal.error(QStringLiteral("loaded: ") + path);
    }
}

// A command on a large face folder makes some tens of megabytes of small
// objects, and a fresh process would spend more on the page faults of its
// heap than on the work. The heap grows in large steps instead, made of
// large pages where the system has them, and is not given back in between.
void growHeapInLargeSteps()
{
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    constexpr size_t kStep = size_t(64) << 20;
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    mallopt(M_MMAP_THRESHOLD, int(kStep));
    mallopt(M_TRIM_THRESHOLD, int(2 * kStep));
    mallopt(M_TOP_PAD, int(kStep));
    const auto from = reinterpret_cast<uintptr_t>(sbrk(0));
    // More than the heap has free at this point: it grows by the step now.
    void* volatile first_block = malloc(size_t(1) << 20);
    free(first_block);
    const auto to = reinterpret_cast<uintptr_t>(sbrk(0));
    const uintptr_t first = (from + kLargePage - 1) & ~(kLargePage - 1);
    if (to > first + kLargePage)
        madvise(reinterpret_cast<void*>(first), (to - first) & ~(kLargePage - 1), MADV_HUGEPAGE);
#endif
}

}  // namespace

bool registerCommand(const char* name, Factory factory)
{
    registry()[QString::fromLatin1(name)] = std::move(factory);
    return true;
}

std::vector<std::unique_ptr<Command>> allCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    for (const auto& [name, factory] : registry()) commands.push_back(factory());
    return commands;
}

std::unique_ptr<Command> findCommand(const QString& name)
{
    const auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second();
}

bool isCommand(const QString& name) { return registry().count(name) > 0; }

bool isCommand(const char* argument) { return isCommand(QString::fromLocal8Bit(argument)); }

QString commandsHelp()
{
    std::vector<QStringList> rows;
    for (const auto& command : allCommands())
        rows.push_back({QStringLiteral("  ") + command->name(), command->description()});
    return QStringLiteral("Commands (run without a window or display; `ludex-manager COMMAND --help` for each):\n") +
           Terminal::aligned(rows) +
           QStringLiteral(
               "\nExit status of a command: 0 done, 1 problems found or the work failed, 2 a usage error "
               "or an input that cannot be read.\n");
}

bool Context::isSet(const QCommandLineOption& option) const { return parser->isSet(option); }
QString Context::value(const QCommandLineOption& option) const { return parser->value(option); }
QStringList Context::values(const QCommandLineOption& option) const { return parser->values(option); }

int Context::usage(const QString& message) const
{
    terminal->error(message);
    return Exit::Usage;
}

int Context::failed(const QString& message) const
{
    terminal->error(message);
    return Exit::Problems;
}

bool Context::requireFaceFolder(QString* why) const
{
    if (faceFolder.isEmpty()) {
        *why = QStringLiteral(
            "No face folder is known: give one with --face-folder DIR, or choose it in the window "
            "(File > Location - Ludex\\Face).");
        return false;
    }
    if (!QDir::isAbsolutePath(faceFolder) || !QFileInfo(faceFolder).isDir()) {
        *why = QStringLiteral("The face folder does not exist: %1").arg(FileOps::shown(faceFolder));
        return false;
    }
    return true;
}

void Context::recover() const
{
    const QString problems = interruptedWorkProblems(recoverInterruptedWork(programFolder, faceFolder));
    if (!problems.isEmpty()) terminal->error(problems);
}

void Context::printJson(const QJsonObject& object) const { terminal->json(object); }

int run(int argc, char* argv[])
{
    growHeapInLargeSteps();
    QCoreApplication app(argc, argv);
    Terminal terminal;
    const QStringList arguments = QCoreApplication::arguments();
    const std::unique_ptr<Command> command = findCommand(arguments.value(1));
    if (!command) {
        terminal.error(QStringLiteral("unknown command '%1'").arg(arguments.value(1)));
        return Exit::Usage;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(command->description() +
                                     (command->details().isEmpty() ? QString() : "\n\n" + command->details()));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    parser.addOption(help);
    const QCommandLineOption faceFolder(
        QStringLiteral("face-folder"), QStringLiteral("The add-on's face folder (default: the one the window stored)."),
        QStringLiteral("DIR"));
    const QCommandLineOption editFile(QStringLiteral("edit-file"),
                                      QStringLiteral("The game's edit file (default: the one the window stored)."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON document on standard output, with keys that keep "
                                                 "their meaning."));
    // For tests and benchmarks: a program folder of their own, and the
    // libraries the process loaded.
    QCommandLineOption programFolder(QStringLiteral("program-folder"), QString(), QStringLiteral("DIR"));
    programFolder.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption loaded(QStringLiteral("loaded-libraries"));
    loaded.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({faceFolder, editFile, json, programFolder, loaded});
    const QList<QCommandLineOption> own = command->options();
    parser.addOptions(own);

    QStringList toParse = arguments.mid(2);
    toParse.prepend(QStringLiteral("ludex-manager ") + command->name());
    if (!parser.parse(toParse)) {
        terminal.error(QStringLiteral("ludex-manager %1: %2").arg(command->name(), parser.errorText()));
        return Exit::Usage;
    }
    if (parser.isSet(help)) {
        // The usage line names the command, not only the program.
        QString text = parser.helpText();
        text = text.mid(text.indexOf(QLatin1Char('\n')) + 1);
        terminal.out() << "Usage: ludex-manager " << command->name() << " [options]"
                       << (command->arguments().isEmpty() ? QString() : QLatin1Char(' ') + command->arguments()) << '\n'
                       << text;
        return Exit::Ok;
    }

    const SettingsStore settings;
    Context context;
    context.parser = &parser;
    context.terminal = &terminal;
    context.arguments = parser.positionalArguments();
    context.json = parser.isSet(json);
    context.faceFolderGiven = parser.isSet(faceFolder);
    context.editFileGiven = parser.isSet(editFile);
    context.faceFolder = context.faceFolderGiven ? parser.value(faceFolder) : stored(settings, "Map");
    context.editFile = context.editFileGiven ? parser.value(editFile) : stored(settings, "Edit");
    if (context.faceFolderGiven) context.faceFolder = QDir::cleanPath(QFileInfo(context.faceFolder).absoluteFilePath());
    if (context.editFileGiven) context.editFile = QFileInfo(context.editFile).absoluteFilePath();
    context.programFolder =
        parser.isSet(programFolder) ? QDir(parser.value(programFolder)).absolutePath() : ProgramFolder::defaultPath();

    const int code = command->execute(context);
    FileTransaction::waitForTidying();
    if (parser.isSet(loaded)) printLoadedLibraries(terminal);
    return code;
}

}  // namespace Cli

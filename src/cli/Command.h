#pragma once

#include <QCommandLineOption>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "cli/Terminal.h"
#include "platform/Result.h"

class QCommandLineParser;

// The command line of the program: `ludex-manager COMMAND [options]`. Each
// command is one small class in a file of its own that registers itself with
// LUDEX_COMMAND; the dispatcher (Cli.cpp) finds it by name, reads the options
// every command shares and hands it a Context. Commands call the same
// widget-free operations as the window and never load a widget library.
namespace Cli {

// As diff and grep answer: done, found problems (or the work failed), or
// the command line or an input could not be used.
enum Exit : int { Ok = 0, Problems = 1, Usage = 2 };

// What a command runs with: the locations (from the options, or the ones
// the window stored), the program folder and the terminal.
struct Context {
    QString programFolder;
    QString faceFolder;  // empty when neither given nor stored
    QString editFile;    // likewise
    bool faceFolderGiven = false;
    bool editFileGiven = false;
    bool json = false;
    QStringList arguments;  // the positional arguments after the command's name
    const QCommandLineParser* parser = nullptr;
    Terminal* terminal = nullptr;

    bool isSet(const QCommandLineOption& option) const;
    QString value(const QCommandLineOption& option) const;
    QStringList values(const QCommandLineOption& option) const;

    Terminal& term() const { return *terminal; }
    // A usage error or an unreadable input: the message on standard error, Exit::Usage.
    int usage(const QString& message) const;
    // A failed operation: its message on standard error, Exit::Problems.
    int failed(const QString& message) const;

    // The face folder, checked: it must be given or stored and exist. On
    // failure the reason is in `why`.
    bool requireFaceFolder(QString* why) const;
    // Work that a crash or a kill cut short is finished or taken back, as the
    // window does at its start: called by the commands that read or change
    // the face folder once their inputs are checked (not by a dry run, which
    // writes nothing at all). What cannot be put right is said on standard error.
    void recover() const;
    // Prints a JSON document on standard output.
    void printJson(const QJsonObject& object) const;
};

class Command {
public:
    virtual ~Command() = default;

    virtual QString name() const = 0;
    // One line for the list of commands.
    virtual QString description() const = 0;
    // The positional arguments as the help shows them ("ID...").
    virtual QString arguments() const { return QString(); }
    // Longer help: what the command does and what its exit status means.
    virtual QString details() const { return QString(); }
    virtual QList<QCommandLineOption> options() const { return {}; }

    virtual int execute(const Context& context) = 0;
};

using Factory = std::function<std::unique_ptr<Command>()>;
// Adds a command to the program; answers true so that it can initialise a
// file-level constant.
bool registerCommand(const char* name, Factory factory);
// Every registered command, by name.
std::vector<std::unique_ptr<Command>> allCommands();
std::unique_ptr<Command> findCommand(const QString& name);
bool isCommand(const QString& name);

}  // namespace Cli

// One line at the end of a command's file adds it to the program.
#define LUDEX_COMMAND(name, Type)                                                                           \
    namespace {                                                                                             \
    [[maybe_unused]] const bool registered##Type =                                                          \
        Cli::registerCommand(name, [] { return std::unique_ptr<Cli::Command>(std::make_unique<Type>()); }); \
    }

namespace Cli {
// A question the window puts before it acts, as a statement of what is done
// (the command asks nothing).
inline QString withoutQuestion(QString text)
{
    const QString question = QStringLiteral("Continue?");
    if (text.endsWith(question)) text.chop(question.size());
    return text.trimmed();
}
}  // namespace Cli

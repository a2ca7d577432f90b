// ludex-manager locate: the face folders and edit files found on this machine.
#include <QJsonArray>
#include <QJsonObject>

#include "cli/Command.h"
#include "platform/GameLocator.h"

namespace {

class LocateCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("locate"); }
    QString description() const override
    {
        return QStringLiteral("Find the game's face folders and edit files (Wine and Steam prefixes on Linux).");
    }
    QString details() const override
    {
        return QStringLiteral(
            "Looks only: nothing is stored. Exit status 0 when something was found, 1 when "
            "nothing was.");
    }

    int execute(const Cli::Context& context) override
    {
        const GameLocator::Found found = GameLocator::find(GameLocator::fromEnvironment());
        const bool any = !found.faceFolders.isEmpty() || !found.editFiles.isEmpty();
        if (context.json) {
            context.printJson(
                QJsonObject{{QStringLiteral("faceFolders"), QJsonArray::fromStringList(found.faceFolders)},
                            {QStringLiteral("editFiles"), QJsonArray::fromStringList(found.editFiles)},
                            {QStringLiteral("roots"), QJsonArray::fromStringList(found.roots)},
                            {QStringLiteral("timedOut"), found.timedOut}});
            return any ? Cli::Exit::Ok : Cli::Exit::Problems;
        }
        Cli::Terminal& term = context.term();
        const auto section = [&term](const QString& title, const QStringList& paths) {
            term.line(title);
            if (paths.isEmpty()) term.line(QStringLiteral("  (none found)"));
            for (const QString& path : paths) term.line(QStringLiteral("  ") + path);
        };
        section(QStringLiteral("Face folders:"), found.faceFolders);
        section(QStringLiteral("Edit files:"), found.editFiles);
        section(QStringLiteral("Looked in:"), found.roots);
        if (found.timedOut)
            term.error(
                QStringLiteral("The search stopped at its time limit; what it had not reached yet is not "
                               "listed."));
        return any ? Cli::Exit::Ok : Cli::Exit::Problems;
    }
};

}  // namespace

LUDEX_COMMAND("locate", LocateCommand)

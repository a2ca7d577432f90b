// ludex-manager undo: Undo Last Install.
#include "cli/Command.h"
#include "facefolder/InstallUndo.h"

namespace {

class UndoCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("undo"); }
    QString description() const override
    {
        return QStringLiteral("Undo the last install (made here or in the window).");
    }
    QString details() const override
    {
        return QStringLiteral(
            "Its lines leave the end of map.txt, the models it added go and the ones it replaced "
            "come back, as long as map.txt ends with its lines and its files are as it left them. "
            "Exit status 1 when there is nothing to undo or it cannot be undone.");
    }
    QList<QCommandLineOption> options() const override { return {dryRun_}; }
    int execute(const Cli::Context& context) override
    {
        if (!context.arguments.isEmpty())
            return context.usage(QStringLiteral("undo: takes no arguments ('%1')").arg(context.arguments.first()));
        QString why;
        if (!context.requireFaceFolder(&why)) return context.usage(why);
        if (!context.isSet(dryRun_)) context.recover();
        const InstallUndo::Plan plan = InstallUndo::prepare(context.programFolder, context.faceFolder);
        if (!plan.refusal) return context.failed(plan.refusal.message);
        const QString what = Cli::withoutQuestion(plan.confirmation());
        if (context.isSet(dryRun_)) {
            context.term().line(QStringLiteral("Dry run, nothing is changed. The undo would:"));
            context.term().line(what);
            return Cli::Exit::Ok;
        }
        if (const Result undone = InstallUndo::undo(context.programFolder, plan); !undone)
            return context.failed(undone.message);
        context.term().line(what);
        context.term().line(QStringLiteral("The last install was undone."));
        return Cli::Exit::Ok;
    }

private:
    const QCommandLineOption dryRun_{QStringLiteral("dry-run"),
                                     QStringLiteral("Say what would change; change nothing.")};
};

}  // namespace

LUDEX_COMMAND("undo", UndoCommand)

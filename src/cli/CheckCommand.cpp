// ludex-manager check: the health of the face folder, as "Installed..." shows it.

#include "cli/Command.h"
#include "cli/FaceFolderView.h"
#include "cli/JsonWriter.h"
#include "platform/FileOps.h"

namespace {

class CheckCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("check"); }
    QString description() const override
    {
        return QStringLiteral("Check the face folder: problem lines of map.txt and model files no line names.");
    }
    QString details() const override
    {
        return QStringLiteral(
            "Exit status 0 when the face folder is healthy, 1 when it has problems, 2 when it "
            "cannot be read.");
    }

    int execute(const Cli::Context& context) override
    {
        if (QString why; !context.requireFaceFolder(&why)) return context.usage(why);
        context.recover();
        Cli::FaceFolderView view;
        if (QString why; !view.read(context, &why)) return context.usage(why);
        const FaceFolderCheck::Report& report = view.report;
        const bool healthy = report.problemLines == 0 && report.orphans.empty();

        if (context.json) {
            Cli::JsonWriter json;
            json.beginObject()
                .value("faceFolder", context.faceFolder)
                .value("mapFile", view.mapPath)
                .value("lines", qint64(view.doc.lines.size()))
                .value("entries", qint64(report.entries))
                .beginArray("problemLines");
            for (size_t i = 0; i < report.lines.size(); ++i) {
                if (report.lines[i].flags == 0) continue;
                const QStringList kinds = view.kinds(int(i));
                json.beginObject()
                    .value("line", qint64(i) + 1)
                    .value("kind", kinds.value(0))
                    .strings("kinds", kinds)
                    .value("text", view.doc.text(view.doc.lines[i]))
                    .value("state", FaceFolderCheck::describe(view.doc, report, int(i)))
                    .endObject();
            }
            json.endArray().beginArray("orphanFiles");
            for (int f : report.orphans) json.value(nullptr, view.orphan(f));
            json.endArray().value("healthy", healthy).endObject();
            context.term().raw(json.finish());
            return healthy ? Cli::Exit::Ok : Cli::Exit::Problems;
        }

        Cli::Terminal& term = context.term();
        term.line(QStringLiteral("%1: %2 lines, %3 entries. Lines with a problem: %4. Model files that no line "
                                 "names: %5.")
                      .arg(FileOps::shown(view.mapPath))
                      .arg(view.doc.lines.size())
                      .arg(report.entries)
                      .arg(report.problemLines)
                      .arg(report.orphans.size()));
        if (report.problemLines > 0) {
            std::vector<QStringList> rows{{QStringLiteral("LINE"), QStringLiteral("KIND"), QStringLiteral("STATE")}};
            for (size_t i = 0; i < report.lines.size(); ++i)
                if (report.lines[i].flags != 0)
                    rows.push_back({QString::number(i + 1), view.kinds(int(i)).join(QLatin1Char(',')),
                                    FaceFolderCheck::describe(view.doc, report, int(i))});
            term.line(QString());
            term.table(rows);
        }
        if (!report.orphans.empty()) {
            term.line(QString());
            term.line(QStringLiteral("Model files that no line names:"));
            for (int f : report.orphans) term.line(QStringLiteral("  ") + view.orphan(f));
        }
        return healthy ? Cli::Exit::Ok : Cli::Exit::Problems;
    }
};

}  // namespace

LUDEX_COMMAND("check", CheckCommand)

#include "CrashScenarios.h"

#include "archive/FacePackImport.h"
#include "archive/UnRarExtractor.h"
#include "support/TestEnv.h"

namespace {

Installer::Request request(const QString& root, const QString& id, const QString& base, MapLine::Content content,
                           const QString& team = QString())
{
    return installRequest(root + "/Ludex/Face", root + "/program", id, base, content, team, root + "/work/Face",
                          root + "/work/Hair");
}

}  // namespace

bool runCrashScenario(const QString& scenario, const QString& root, ProgressSink* progress)
{
    using enum MapLine::Content;
    if (scenario == "install") return Installer::install(request(root, "101", "Oren Vasko", FaceAndHair)).ok;
    if (scenario == "batch")
        return Installer::install(std::vector{request(root, "102", "Tibo Marek", FaceAndHair),
                                              request(root, "103", "Sample Player", OnlyHair, "Sample Team"),
                                              request(root, "101", "Oren Vasko", OnlyFace)})
            .ok;
    UnRarExtractor unrar;
    const auto report =
        FacePackImport(unrar, root + "/program/Archive", root + "/program").run(root + "/pack.rar", progress);
    return report.outcome == FacePackImport::Outcome::Imported;
}

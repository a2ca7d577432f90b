#include "CrashScenarios.h"

#include "archive/FacePackImport.h"
#include "archive/UnRarExtractor.h"
#include "facefolder/InstallUndo.h"
#include "facefolder/MapRemoval.h"
#include "support/TestEnv.h"

namespace {

Installer::Request request(const QString& root, const QString& id, const QString& base, MapLine::Content content,
                           const QString& team = QString())
{
    return installRequest(root + "/Ludex/Face", root + "/program", id, base, content, team, root + "/work/Face",
                          root + "/work/Hair");
}

bool removeFirstLine(const QString& root)
{
    const QString face = root + "/Ludex/Face";
    MapFile::Document doc;
    if (!MapFile::read(face + "/map.txt", doc)) return false;
    FolderListing listing = FolderListing::list(face);
    const FaceFolderCheck::Report report = FaceFolderCheck::check(doc, listing);
    return MapRemoval::apply(MapRemoval::plan(doc, listing, report, {0}), root + "/program").ok;
}

}  // namespace

bool runCrashScenario(const QString& scenario, const QString& root, ProgressSink* progress)
{
    using enum MapLine::Content;
    const Installer::Options keep{.keepForUndo = true};
    if (scenario == "earlier")
        return Installer::install(request(root, "103", "Sample Player", OnlyHair, "Sample Team"), keep).ok;
    if (scenario == "install") return Installer::install(request(root, "101", "Oren Vasko", FaceAndHair), keep).ok;
    if (scenario == "batch")
        return Installer::install(std::vector{request(root, "102", "Tibo Marek", FaceAndHair),
                                              request(root, "103", "Sample Player", OnlyHair, "Sample Team"),
                                              request(root, "101", "Oren Vasko", OnlyFace)},
                                  keep)
            .ok;
    if (scenario == "remove") return removeFirstLine(root);
    if (scenario == "undo") {
        const QString program = root + "/program";
        return InstallUndo::undo(program, InstallUndo::prepare(program, root + "/Ludex/Face")).ok;
    }
    UnRarExtractor unrar;
    const auto report =
        FacePackImport(unrar, root + "/program/Archive", root + "/program").run(root + "/pack.rar", progress);
    return report.outcome == FacePackImport::Outcome::Imported;
}

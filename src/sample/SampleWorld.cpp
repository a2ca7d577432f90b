#include "sample/SampleWorld.h"

#include <stdexcept>

#include "archive/FacePackImport.h"
#include "archive/PackFixtures.h"
#include "archive/UnRarExtractor.h"
#include "editdb/EditFileBuilder.h"
#include "facefolder/MapLine.h"
#include "models/DdsWriter.h"
#include "models/ModelFileBuilder.h"
#include "platform/FileOps.h"
#include "platform/ProcessOwner.h"
#include "platform/SettingsStore.h"

namespace {

struct Player {
    const char* name;
    qint32 id;
};

// The named players, first in the list. Every name here is invented.
const Player kPlayers[] = {
    {"Sample Player", 12345}, {"Oren Vasko", 20102}, {"Tibo Marek", 20203},   {"Lasse Quinlow", 20304},
    {"Arvid Penhale", 20405}, {"Mato Dresk", 20506}, {"Ilian Corvey", 20607}, {"Jory Tamsett", 20708},
};
const char* const kTeams[] = {"Sample Team", "Harbour Rovers", "Millbrook Athletic", "Eastcliff United"};

const QString kGame = QStringLiteral("Kickvale Football 2011");
const QString kPackName = QStringLiteral("Sample Face Pack");

quint16 rgb(int r, int g, int b) { return DdsWriter::pack565(r >> 3, g >> 2, b >> 3); }

// A face drawn in 4x4 blocks on a 64x64 texture: hair on top of an oval
// head, eyes, brows and a mouth. `look` varies skin and hair.
DdsWriter::BlockColour faceDrawing(int look)
{
    static const quint16 skins[] = {rgb(236, 196, 160), rgb(198, 146, 104), rgb(141, 96, 66), rgb(244, 214, 186)};
    static const quint16 hairs[] = {rgb(58, 40, 28), rgb(214, 170, 82), rgb(24, 24, 28), rgb(150, 62, 34)};
    const quint16 skin = skins[look % 4], hair = hairs[look % 4];
    return [=](int bx, int by) -> quint16 {
        const double dx = (bx - 7.5) / 5.5, dy = (by - 8.0) / 7.0;
        if (dx * dx + dy * dy > 1.0) return rgb(34, 74, 92);  // background
        if (by <= 3) return hair;
        if (by == 6 && (bx == 5 || bx == 10)) return hair;  // brows
        if (by == 7 && (bx == 5 || bx == 10)) return rgb(30, 40, 60);
        if (by == 11 && bx >= 6 && bx <= 9) return rgb(160, 60, 60);
        return skin;
    };
}

// Hair strands: bands of two shades of the hair colour.
DdsWriter::BlockColour hairDrawing(int look)
{
    static const int shades[][3] = {{58, 40, 28}, {214, 170, 82}, {24, 24, 28}, {150, 62, 34}};
    const int* c = shades[look % 4];
    return [=](int bx, int by) -> quint16 {
        const int lift = ((bx + by / 3) % 3) * 18;
        return rgb(qMin(255, c[0] + lift), qMin(255, c[1] + lift), qMin(255, c[2] + lift));
    };
}

QByteArray faceBytes(int look)
{
    return ModelFileBuilder().dds(DdsWriter::dxt1File(64, 64, faceDrawing(look))).bytes();
}
QByteArray hairBytes(int look)
{
    return ModelFileBuilder().dds(DdsWriter::dxt5File(64, 64, hairDrawing(look))).bytes();
}

void put(const QString& path, const QByteArray& bytes)
{
    if (const Result written = FileOps::writeFile(path, bytes); !written)
        throw std::runtime_error(written.message.toStdString());
}

}  // namespace

QString SampleWorld::programFolder() const { return dir_.filePath(QStringLiteral("Program")); }
QString SampleWorld::settingsFile() const { return dir_.filePath(QStringLiteral("settings.ini")); }
QString SampleWorld::editFile() const { return dir_.filePath(kGame + QStringLiteral("/save/EDIT.bin")); }
QString SampleWorld::faceFolder() const { return dir_.filePath(kGame + QStringLiteral("/Visagery/Ludex/Face")); }
QString SampleWorld::downloads() const { return dir_.filePath(QStringLiteral("Downloads")); }
QString SampleWorld::faceModel() const { return downloads() + QStringLiteral("/Face.bin"); }
QString SampleWorld::hairModel() const { return downloads() + QStringLiteral("/Hair.bin"); }
QString SampleWorld::facePack() const { return downloads() + QLatin1Char('/') + kPackName + QStringLiteral(".zip"); }

QStringList SampleWorld::players()
{
    QStringList names;
    for (const Player& p : kPlayers) names << QString::fromLatin1(p.name);
    return names;
}

QStringList SampleWorld::teams()
{
    QStringList names;
    for (const char* team : kTeams) names << QString::fromLatin1(team);
    return names;
}

const QString SampleWorld::kFolderPrefix = QStringLiteral("ludex-sample-");

SampleWorld::SampleWorld() : dir_(QDir(QDir::tempPath()).filePath(ProcessOwner::scratchPattern(kFolderPrefix))) {}

std::unique_ptr<SampleWorld> SampleWorld::create(QString* why)
{
    ProcessOwner::removeAbandoned(QDir::tempPath(), kFolderPrefix);
    std::unique_ptr<SampleWorld> world(new SampleWorld);
    QString reason;
    if (!world->dir_.isValid()) {
        reason = world->dir_.errorString();
    } else {
        try {
            world->build();
            return world;
        } catch (const std::exception& e) {
            reason = QString::fromLocal8Bit(e.what());
        }
    }
    if (why) *why = QStringLiteral("The sample world could not be made: %1").arg(reason);
    return nullptr;
}

void SampleWorld::build() const
{
    EditFileBuilder edit;
    edit.fillAll();
    for (int i = 0; i < int(std::size(kPlayers)); ++i) edit.player(i, kPlayers[i].id, kPlayers[i].name);
    for (int i = 0; i < int(std::size(kTeams)); ++i) edit.team(i, kTeams[i]);
    edit.write(editFile());

    // Two players already installed, one of them in a team folder; the
    // second team folder is empty. Each map line names models that are there.
    const QString face = faceFolder();
    const auto install = [&](const Player& p, const QString& folder, int look) {
        const QString base = QString::fromLatin1(p.name);
        const QString at = folder.isEmpty() ? face : face + QLatin1Char('/') + folder;
        put(at + QLatin1Char('/') + MapLine::faceFileName(base), faceBytes(look));
        put(at + QLatin1Char('/') + MapLine::hairFileName(base), hairBytes(look));
        const QString part = folder.isEmpty() ? base : MapLine::folderNamePart(folder, base);
        return MapLine::compose(QString::number(p.id), part, MapLine::Content::FaceAndHair) + QStringLiteral("\r\n");
    };
    const QString map = install(kPlayers[0], QString(), 0) + install(kPlayers[1], QString::fromLatin1(kTeams[1]), 1);
    put(face + QStringLiteral("/map.txt"), map.toLatin1());
    if (!QDir().mkpath(face + QLatin1Char('/') + QString::fromLatin1(kTeams[2])))
        throw std::runtime_error("the team folders cannot be made");

    put(faceModel(), faceBytes(2));
    put(hairModel(), hairBytes(2));

    // A pack arranged as packs usually are: a folder per team.
    using Entry = PackFixtures::Entry;
    std::vector<Entry> entries = {{kPackName, {}, Entry::Kind::Folder}};
    for (int i = 3; i < 7; ++i) {
        const QString folder = kPackName + QLatin1Char('/') + QString::fromLatin1(kTeams[i < 5 ? 2 : 3]);
        if (i == 3 || i == 5) entries.push_back({folder, {}, Entry::Kind::Folder});
        const QString base = QString::fromLatin1(kPlayers[i].name);
        entries.push_back({folder + QLatin1Char('/') + MapLine::faceFileName(base), faceBytes(i)});
        entries.push_back({folder + QLatin1Char('/') + MapLine::hairFileName(base), hairBytes(i)});
    }
    if (!PackFixtures::write(facePack(), QStringLiteral("zip"), entries))
        throw std::runtime_error("the face pack cannot be written");

    // The archive holds the pack unpacked, by the program's own import.
    const QString archive = programFolder() + QStringLiteral("/Archive/");
    if (!QDir().mkpath(archive)) throw std::runtime_error("the program folder cannot be made");
    UnRarExtractor extractor;
    const FacePackImport::Report imported = FacePackImport(extractor, archive, programFolder()).run(facePack());
    if (imported.outcome != FacePackImport::Outcome::Imported) throw std::runtime_error(imported.message.toStdString());

    SettingsStore settings(settingsFile());
    settings.SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("Edit"), editFile());
    settings.SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("Map"), face);
}

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QImage>

#include "facefolder/FaceFolderCheck.h"
#include "models/BazaZlib.h"
#include "models/TexturePreview.h"
#include "platform/ProcessOwner.h"
#include "sample/SampleWorld.h"
#include "support/TestEnv.h"

namespace {

QStringList filesUnder(const QString& folder)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        found << it.next().mid(folder.size() + 1);
    found.sort();
    return found;
}

// The sample world is what the program itself reads: a face folder whose map
// lines name models that are there, a pack unpacked by the program's own
// import, and models whose textures the preview decodes. (The window test
// of --demo reads its edit file.)
TEST(SampleWorldTest, EveryFileIsOneTheProgramReads)
{
    // A world left by a demo that was killed goes; one of a running demo stays.
    const QString abandoned = QDir::temp().filePath("ludex-sample-999999999.1-Abc123");
    const QString running = QDir::temp().filePath("ludex-sample-" + ProcessOwner::current() + "-Abc123");
    TestEnv::writeFile(abandoned + "/map.txt", "x");
    TestEnv::writeFile(running + "/map.txt", "x");
    QString why;
    std::unique_ptr<SampleWorld> world = SampleWorld::create(&why);
    ASSERT_TRUE(world) << why.toStdString();
    const QString root = world->root();

    // map.txt is as the face folder's own check wants it: each of its two
    // lines names a face and a hair that were copied, and every model there
    // is named; two team folders.
    MapFile::Document map;
    ASSERT_TRUE(MapFile::read(world->faceFolder() + "/map.txt", map).ok);
    FolderListing listing = FolderListing::list(world->faceFolder());
    const FaceFolderCheck::Report report = FaceFolderCheck::check(map, listing);
    EXPECT_EQ(report.entries, 2);
    EXPECT_EQ(report.problemLines, 0);
    EXPECT_TRUE(report.orphans.empty());
    for (const auto& line : report.lines) EXPECT_TRUE(line.faceFile >= 0 && line.hairFile >= 0);
    EXPECT_EQ(QDir(world->faceFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);

    // The archive holds the pack unpacked: a folder with a folder per team.
    const QString archive = world->programFolder() + "/Archive";
    const QStringList unpacked = filesUnder(archive);
    EXPECT_EQ(unpacked.size(), 8);
    for (const QString& file : unpacked) EXPECT_EQ(file.count('/'), 2) << file.toStdString();

    // Every model of the world previews: real DXT1 and DXT5 textures.
    BazaZlib codec;
    TexturePreview preview(world->programFolder(), codec);
    QStringList models = {world->faceModel(), world->hairModel()};
    for (const QString& file : unpacked) models << archive + "/" + file;
    for (const QString& file : filesUnder(world->faceFolder()))
        if (file.endsWith(".bin")) models << world->faceFolder() + "/" + file;
    EXPECT_EQ(models.size(), 14);
    for (const QString& model : models) {
        SCOPED_TRACE(model.toStdString());
        EXPECT_TRUE(TexturePreview::looksLikeModelFile(model));
        TestEnv::writeFile(world->programFolder() + "/Face", TestEnv::readFile(model));
        QImage shown;
        const Result r = preview.Preview("\\Face", "\\Face.bmp", [&](const QString& f) { return shown.load(f); });
        EXPECT_TRUE(r) << r.message.toStdString();
        EXPECT_EQ(shown.size(), QSize(64, 64));
    }
    // Nothing else passes for a model file.
    for (const QString& other : {world->facePack(), world->editFile(), world->faceFolder() + "/map.txt", root})
        EXPECT_FALSE(TexturePreview::looksLikeModelFile(other)) << other.toStdString();

    EXPECT_FALSE(QFileInfo::exists(abandoned));
    EXPECT_TRUE(QDir(running).removeRecursively());
    world.reset();
    EXPECT_FALSE(QFileInfo::exists(root));
}

}  // namespace

// Writes the seed corpus of every fuzz target, one folder per target, with
// the fixture builders the tests use:
//
//     ludex_fuzz_seeds <folder>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "archive/PackFixtures.h"
#include "editdb/EditFileBuilder.h"
#include "models/ModelFileBuilder.h"
#include "models/ThumbnailCache.h"
#include "models/Thumbnails.h"
#include "support/DdsWriter.h"
#include "support/FaceFolderFixture.h"
#include "support/FakeGameHome.h"
#include "support/RarWriter.h"
#include "support/TexturePictures.h"

namespace {

QString g_root;
bool g_ok = true;

void seed(const QString& target, const QString& name, const QByteArray& bytes)
{
    const QString folder = g_root + QLatin1Char('/') + target;
    QDir().mkpath(folder);
    QFile f(folder + QLatin1Char('/') + name);
    g_ok = g_ok && f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);

    // Textures and model files, whole and damaged.
    const DdsWriter::Dds textures[] = {DdsWriter::dxt1(16, 16, DdsWriter::checkerBlock),
                                       DdsWriter::dxt5(8, 8, DdsWriter::checkerBlock, 128),
                                       DdsWriter::rgba32(DdsWriter::testPattern(8, 4))};
    int i = 0;
    for (const auto& t : textures) {
        seed("dds", QStringLiteral("texture-%1.dds").arg(i), t.bytes);
        seed("preview", QStringLiteral("model-%1.bin").arg(i), ModelFileBuilder().dds(t.bytes).bytes());
        seed("model_texture", QStringLiteral("model-%1.bin").arg(i), ModelFileBuilder().dds(t.bytes).bytes());
        ++i;
    }
    seed("dds", "header-only.dds", DdsWriter::header(4096, 4096, "DXT5"));
    const QByteArray dds = textures[0].bytes;
    seed("preview", "stored-size-huge.bin", ModelFileBuilder().dds(dds).storedSize(1 << 28).bytes());
    seed("preview", "texture-outside.bin", ModelFileBuilder().dds(dds).T(1 << 30).bytes());
    seed("preview", "model-block-negative.bin", ModelFileBuilder().dds(dds).M(100).A(-200).bytes());
    seed("preview", "trailing.bin", ModelFileBuilder().dds(dds).trailing(QByteArray(12, '\0')).bytes());

    // Pictures for a texture: the right size in each format the program
    // reads, another size, transparency, and damage.
    {
        const RgbaImage face = TexturePictures::faceLike(16), hair = TexturePictures::hairLike(16);
        const QByteArray png = TexturePictures::png(face);
        seed("texture_replace", "face.png", png);
        seed("texture_replace", "hair.png", TexturePictures::png(hair));
        seed("texture_replace", "small.png", TexturePictures::png(TexturePictures::faceLike(8)));
        seed("texture_replace", "cut.png", png.first(png.size() / 2));
        seed("texture_replace", "face.bmp", TexturePictures::bmp(face));
        seed("texture_replace", "hair.tga", TexturePictures::tga(hair));
        seed("texture_replace", "face.dds", DdsWriter::dxt1(16, 16, DdsWriter::checkerBlock).bytes);
        seed("texture_replace", "face-dxt5.dds", DdsWriter::dxt5(16, 8, DdsWriter::checkerBlock, 128).bytes);
        seed("texture_replace", "rgba.dds", DdsWriter::rgba32(DdsWriter::testPattern(8, 8)).bytes);
    }
    // Thumbnail cache files, made the way the cache makes them: a picture
    // from a texture, and a model that gave none.
    ModelTexture::Model model;
    RgbaImage thumb;
    if (ModelTexture::fromBytes(ModelFileBuilder().dds(textures[1].bytes).bytes(), &model) &&
        Thumbnails::fromModel(model, 8, &thumb)) {
        seed("thumbnail_cache", "picture.thumb",
             ThumbnailCache::encode({"/faces/Sample Player_face.bin", 1234, 1700000000000, 8}, {thumb, {}}));
    } else {
        g_ok = false;
    }
    seed("thumbnail_cache", "failure.thumb",
         ThumbnailCache::encode({"/faces/Broken_face.bin", 20, 1700000000000, 128}, {{}, "the texture is cut short"}));

    // Edit files: the players' part (the team table lies megabytes further on).
    seed("edit_tables", "players.bin",
         EditFileBuilder().player(0, 12345, "Sample Player").player(1, 7, "Oren Vasko").length(416 + 228 * 3).bytes());
    seed("edit_tables", "short.bin", EditFileBuilder().length(420).bytes());

    // Face packs in every layout the reader takes, one with names that try to leave.
    const std::vector<RarWriter::Entry> entries = {
        {"Sample Team", {}, true}, {"Sample Team/Sample Player_Face.bin", "face"}, {"k.bin", "hair"}};
    for (auto version : {RarWriter::Version::Rar4, RarWriter::Version::Rar5}) {
        seed("extract", QStringLiteral("%1.rar").arg(RarWriter::name(version)), RarWriter::build(version, entries));
        seed("extract", QStringLiteral("%1-solid.rar").arg(RarWriter::name(version)),
             RarWriter::build(version, entries, true));
        seed("extract", QStringLiteral("%1-escape.rar").arg(RarWriter::name(version)),
             RarWriter::build(version, {{"../../escape.bin", "e"}, {"C:/drive.bin", "d"}}));
    }
    QTemporaryDir packs;
    for (const char* format : {"zip", "7zip", "pax"}) {
        const QString path = packs.filePath(format);
        g_ok = g_ok && PackFixtures::write(path, format,
                                           {{"Sample Team", {}, PackFixtures::Entry::Kind::Folder},
                                            {"Sample Team/p.bin", "p"},
                                            {"link", {}, PackFixtures::Entry::Kind::Symlink, "/etc"}});
        seed("extract", QStringLiteral("pack.%1").arg(format), fileBytes(path));
    }

    // Names as users and packs give them.
    const char* names[] = {"Sample Player", "<unnamed_57> ", "COM1", "lpt\xC2\xB3.txt", "a/../b", "C:\\x\\y.bin",
                           "./C:x", "Team\\Sample Player_Face.bin", "..", "M\xC3\xBCller \xE2\x82\xAC",
                           // Sets of split packs: the chosen part first, its siblings after it.
                           "Pack.part2.rar\nPack.part1.rar\nPack.part03.rar", "Pack.r00\nPack.rar\nPack.r01\nPack.s00",
                           "Pack.zip.002\nPack.zip.001\nPack.7z.001"};
    i = 0;
    for (const char* n : names) seed("names", QStringLiteral("name-%1").arg(i++), n);

    // map.txt as the program and editors write it, for the reader's target.
    seed("map_reader", "map.txt",
         "12345, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n7, ,\"Sample Team\\Oren Vasko_Hair.bin\"\r\n"
         "8, \"Tibo Marek_Face.bin\"");
    {
        // The map.txt of a face pack in every form a face folder holds, and
        // one whose names try to leave the pack.
        QTemporaryDir face;
        seed("map_reader", "pack-map.txt", FaceFolderFixture::build(face.path(), {.entries = 40, .modelBytes = 64}));
        seed("map_reader", "escaping-map.txt",
             "1, \"..\\..\\up_Face.bin\", \"C:\\x_Hair.bin\"\r\n2, \"Team\\.\\\\P_Face.bin\"\r\n"
             "3, ,\"\\\\server\\share\\h.bin\"\r\n");
    }

    // Steam's library file in both layouts, with a path Steam writes escaped.
    const QStringList libraries = {"/home/alder/.local/share/Steam", "/mnt/games/Steam Library",
                                   "D:\\Games\\SteamLibrary"};
    seed("steam_libraries", "nested.vdf", FakeGameHome::libraryFile(libraries, FakeGameHome::LibraryFormat::Nested));
    seed("steam_libraries", "numbered.vdf",
         FakeGameHome::libraryFile(libraries, FakeGameHome::LibraryFormat::Numbered));

    if (!g_ok) std::fprintf(stderr, "some seeds could not be written\n");
    return g_ok ? 0 : 1;
}

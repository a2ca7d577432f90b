#include "support/FaceFolderFixture.h"

#include <QDir>

#include "archive/PackFixtures.h"
#include "facefolder/MapLine.h"
#include "platform/CodePage.h"
#include "support/TestEnv.h"

namespace FaceFolderFixture {

QString teamOf(int i, const Options& options)
{
    return i % 4 == 0 || options.teams <= 0 ? QString() : QStringLiteral("Team %1").arg((i / 4) % options.teams + 1);
}

QByteArray build(const QString& faceFolder, const Options& options)
{
    using MapLine::Content;
    QByteArray map;
    // Two model buffers cut to size: the bytes differ between entries by
    // their offset, and building stays quick even for large models.
    const QByteArray faces = PackFixtures::modelBytes(options.modelBytes + 4096, 1);
    const QByteArray hairs = PackFixtures::modelBytes(options.modelBytes / 2 + 4096, 2);
    for (int i = 0; i < options.entries; ++i) {
        const QString team = teamOf(i, options);
        if (!team.isEmpty()) QDir().mkpath(faceFolder + QLatin1Char('/') + team);
        // A name beyond ASCII now and then, as the code page allows.
        const QString base =
            i % 7 == 3 ? QStringLiteral("Jos\u00e9 M\u00fcller %1").arg(i) : QStringLiteral("Player %1").arg(i);
        const Content content = i % 10 == 5   ? Content::OnlyFace
                                : i % 10 == 7 ? Content::OnlyHair
                                              : Content::FaceAndHair;
        const QString part = team.isEmpty() ? base : MapLine::folderNamePart(team, base);
        QByteArray line = CodePage::encode(MapLine::compose(QString::number(options.firstId + i), part, content));
        if (i % 50 == 11) line.replace(", \"", ",  \"");  // spaces added by hand
        map += line + (i % 50 == 13 ? "\n" : "\r\n");
        const QString folder = faceFolder + QLatin1Char('/') + (team.isEmpty() ? QString() : team + QLatin1Char('/'));
        const int offset = i % 4096;
        if (MapLine::hasFace(content))
            TestEnv::writeFile(folder + base + QStringLiteral("_face.bin"), faces.mid(offset, options.modelBytes));
        if (MapLine::hasHair(content))
            TestEnv::writeFile(folder + base + QStringLiteral("_Hair.bin"), hairs.mid(offset, options.modelBytes / 2));
    }
    TestEnv::writeFile(faceFolder + QStringLiteral("/map.txt"), map);
    return map;
}

}  // namespace FaceFolderFixture

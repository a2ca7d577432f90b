#include "support/LargeFaceFolder.h"

#include <QDir>
#include <QFile>

#include "facefolder/MapLine.h"
#include "support/TestEnv.h"

namespace LargeFaceFolder {

QByteArray build(const QString& face, int* files)
{
    int made = 0;
    QByteArray map;
    for (int t = 0; t < kTeams; ++t) QDir().mkpath(face + QStringLiteral("/Team %1").arg(t));
    const auto touch = [&](const QString& rel) {
        QFile f(face + QLatin1Char('/') + rel);
        if (f.open(QIODevice::WriteOnly)) ++made;
    };
    for (int i = 0; i < kLines; ++i) {
        const QString base = QStringLiteral("Player %1").arg(i);
        const QString part = i % 4 ? base : MapLine::folderNamePart(QStringLiteral("Team %1").arg(i % kTeams), base);
        map += MapLine::compose(QString::number(100000 + i), part, MapLine::Content::FaceAndHair).toLatin1() + "\r\n";
        if (i >= kLines - kProblemLines) continue;
        const QString rel = QString(part).replace(QLatin1Char('\\'), QLatin1Char('/'));
        touch(rel + QStringLiteral("_face.bin"));
        touch(rel + QStringLiteral("_Hair.bin"));
    }
    for (int i = 0; made < 2 * kLines; ++i) touch(QStringLiteral("Team %1/Spare %2_Face.bin").arg(i % kTeams).arg(i));
    TestEnv::writeFile(face + QStringLiteral("/map.txt"), map);
    if (files) *files = made;
    return map;
}

}  // namespace LargeFaceFolder

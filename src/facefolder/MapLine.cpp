#include "facefolder/MapLine.h"

#include <QDir>

namespace MapLine {

QString faceFileName(const QString& baseName) { return baseName + QStringLiteral("_Face.bin"); }

QString hairFileName(const QString& baseName) { return baseName + QStringLiteral("_Hair.bin"); }

QString folderNamePart(const QString& folderName, const QString& baseName)
{
    return folderName + QLatin1Char('\\') + baseName;
}

QString compose(const QString& id, const QString& namePart, Content content)
{
    const QChar q = QLatin1Char('"');
    const QString face = q + faceFileName(namePart) + q;
    const QString hair = q + hairFileName(namePart) + q;
    switch (content) {
    case Content::FaceAndHair: return id + QStringLiteral(", ") + face + QStringLiteral(", ") + hair;
    case Content::OnlyFace: return id + QStringLiteral(", ") + face;
    case Content::OnlyHair:
        // The add-on reads an empty face field here; no space before the quote.
        return id + QStringLiteral(", ,") + hair;
    }
    return QString();
}

QString lastPart(const QString& path)
{
    const QString p = QDir::fromNativeSeparators(path);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace MapLine

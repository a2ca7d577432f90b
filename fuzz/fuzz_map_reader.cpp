// The map.txt reader: any bytes are read without a crash, the lines cover
// the bytes exactly, and every entry names files that stay in the face folder
// (as the face folder reads them, and as a face pack's lines install them).
#include "FuzzSupport.h"
#include "facefolder/MapFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const MapFile::Document doc = MapFile::parse(bytes);
    QByteArray joined;
    for (const MapFile::Line& line : doc.lines) {
        joined += doc.raw(line, true);
        if (!line.isEntry()) continue;
        for (const QString& name : {line.face, line.hair}) {
            if (name.isEmpty()) continue;
            const QString key = MapFile::placeKey(name);
            if (key.startsWith(QLatin1Char('/')) || key.split(QLatin1Char('/')).contains(QStringLiteral("..")))
                FuzzSupport::broken("a place outside the face folder:", key);
            // The names a face pack's files get, in the pack and when installed.
            const QStringList parts = MapFile::placeParts(name);
            if (parts.isEmpty() != key.isEmpty()) FuzzSupport::broken("the parts and the place disagree:", name);
            for (const QString& part : parts)
                if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
                    part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\')) ||
                    part.contains(QLatin1Char(':')))
                    FuzzSupport::broken("a part that leaves its folder:", part);
        }
    }
    if (joined != bytes) FuzzSupport::broken("the lines do not give the bytes back");
    if (!doc.lines.empty() && doc.without({0}).size() != bytes.size() - doc.lines.front().fullLength())
        FuzzSupport::broken("taking out a line took out other bytes");
    return 0;
}

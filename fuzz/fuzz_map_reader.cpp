// The map.txt reader: any bytes are read without a crash, the lines cover
// the bytes exactly, and every entry names files that stay in the face folder.
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
        }
    }
    if (joined != bytes) FuzzSupport::broken("the lines do not give the bytes back");
    if (!doc.lines.empty() && doc.without({0}).size() != bytes.size() - doc.lines.front().fullLength())
        FuzzSupport::broken("taking out a line took out other bytes");
    return 0;
}

// Face-pack extraction of any bytes (RAR 4, RAR 5 and the other formats the
// reader knows): it ends within the caps, and nothing is ever written outside
// the destination, nor any link inside it.
#include <QDirIterator>

#include "FuzzSupport.h"
#include "archive/UnRarExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QDir root(FuzzSupport::scratch().filePath(QStringLiteral("extract")));
    root.removeRecursively();
    QDir().mkpath(root.path());
    const QString pack = root.filePath(QStringLiteral("in.pack"));
    {
        QFile f(pack);
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    const QString destination = root.filePath(QStringLiteral("out/dest"));

    static UnRarExtractor unrar = [] {
        UnRarExtractor u;
        u.setLimits({2000, qint64(64) << 20, 0});
        return u;
    }();
    unrar.Extract(pack, destination);

    const QStringList top = root.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (top != QStringList{QStringLiteral("in.pack"), QStringLiteral("out")} &&
        top != QStringList{QStringLiteral("in.pack")})
        FuzzSupport::broken("written beside the destination:", top.join(QLatin1Char(' ')));
    // A pack refused before anything was written leaves no destination at all.
    const QStringList beside = QDir(root.filePath(QStringLiteral("out")))
                                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (!beside.isEmpty() && beside != QStringList{QStringLiteral("dest")})
        FuzzSupport::broken("written beside the destination folder:", beside.join(QLatin1Char(' ')));
    QDirIterator it(destination, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink() || (!it.fileInfo().isFile() && !it.fileInfo().isDir()))
            FuzzSupport::broken("not a plain file or folder:", it.filePath());
    }
    return 0;
}

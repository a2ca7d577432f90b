#include "archive/NestedPacks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "archive/PackVolumes.h"
#include "platform/Progress.h"

namespace {

// Beside the packs, a few files of these kinds may lie: read-me texts, links
// to the author's page.
constexpr int kMaxTextFiles = 5;

bool isPack(const QString& name)
{
    static const QRegularExpression pack(QStringLiteral("\\.(rar|zip|7z|r\\d\\d|\\d{3})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return pack.match(name).hasMatch();
}

bool isText(const QString& name)
{
    static const QRegularExpression text(QStringLiteral("\\.(txt|nfo|diz|url|htm|html|md|rtf|pdf)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return text.match(name).hasMatch();
}

// The folder's name for a pack: its name without the pack's suffixes.
QString folderName(const PackVolumes::Set& set, const QString& name)
{
    QString stem = set.split() ? set.stem : QFileInfo(name).completeBaseName();
    if (set.scheme == PackVolumes::Scheme::Numbered) stem = QFileInfo(stem).completeBaseName();
    return stem.isEmpty() ? name : stem;
}

}  // namespace

QStringList NestedPacks::find(const QString& folder)
{
    QStringList packs;
    QSet<QString> seen;  // parts of the sets already listed
    int texts = 0;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        if (isText(name)) {
            if (++texts > kMaxTextFiles) return {};
            continue;
        }
        if (!isPack(name) || !it.fileInfo().isFile()) return {};
        if (seen.contains(path)) continue;
        const PackVolumes::Set set = PackVolumes::findOnDisk(path);
        for (const QString& part : set.parts) seen.insert(it.fileInfo().dir().filePath(part));
        packs << root.relativeFilePath(it.fileInfo().dir().filePath(set.parts.value(0, name)));
    }
    packs.sort();
    return packs;
}

UnRarExtractor::Report NestedPacks::unpack(const UnRarExtractor& extractor, const QString& folder,
                                           const QStringList& packs, ProgressSink* progress, qint64 barMaximum,
                                           UnRarExtractor::Report& total, QString* failedPack)
{
    UnRarExtractor inner(extractor);
    for (const QString& pack : packs) {
        const QString path = QDir(folder).filePath(pack);
        const QFileInfo info(path);
        *failedPack = info.fileName();
        // What was unpacked so far counts against the bounds of the whole.
        UnRarExtractor::Limits limits = extractor.limits();
        limits.maxEntries -= total.files + total.folders + total.skipped.size();
        limits.maxTotalBytes -= total.bytes;
        inner.setLimits(limits);

        const PackVolumes::Set set = PackVolumes::findOnDisk(path);
        QString target = info.dir().filePath(folderName(set, info.fileName()));
        for (int n = 2; QFileInfo::exists(target) && !QFileInfo(target).isDir(); ++n)
            target = info.dir().filePath(QStringLiteral("%1 (%2)").arg(folderName(set, info.fileName())).arg(n));

        if (progress) progress->setLabel(QStringLiteral("Unpacking \"%1\"...").arg(info.fileName()));
        const UnRarExtractor::Report r = inner.Extract(path, target, [&](qint64 done, qint64 size) {
            if (!progress) return true;
            progress->setValue(size > 0 ? qint64(double(done) / double(size) * double(barMaximum)) : 0);
            return !progress->wasCanceled();
        });
        if (!r.ok()) return r;
        total.files += r.files;
        total.folders += r.folders;
        total.bytes += r.bytes;
        for (const QString& s : r.skipped) total.skipped << pack + '/' + s;
        for (const QString& part : set.parts) QFile::remove(info.dir().filePath(part));
    }
    failedPack->clear();
    return {};
}

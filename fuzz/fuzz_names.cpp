// The name checks: a name they accept is one Windows can hold, an archive
// entry name they accept stays inside its folder; a face or hair entry is
// told by its name alone, and what names its player is part of that name.
#include "FuzzSupport.h"
#include "archive/PackVolumes.h"
#include "archive/UnRarExtractor.h"
#include "facefolder/BatchPlan.h"
#include "facefolder/FileNameCheck.h"

namespace {

void checkName(const QString& name)
{
    const bool ok = FileNameCheck::checkName(name).ok;
    const bool baseOk = FileNameCheck::checkBaseName(name).ok;
    if (ok && !baseOk) FuzzSupport::broken("a valid name is no valid base name:", name);
    if (baseOk) {
        if (name.isEmpty() || name.size() > 255 || name == QLatin1String(".") || name == QLatin1String("..") ||
            name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
            FuzzSupport::broken("accepted:", name);
        for (QChar c : name)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("\\/:*?\"<>|").contains(c))
                FuzzSupport::broken("accepted a forbidden character:", name);
    }
    for (QChar c : FileNameCheck::quoted(name))
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) FuzzSupport::broken("quoted shows a control character");
    (void)FileNameCheck::checkCodePage(name);

    BatchPlan::Part kind = BatchPlan::Part::Face;
    QString key;
    if (BatchPlan::classify(name, kind, key)) {
        if (!name.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive) || key.size() >= name.size())
            FuzzSupport::broken("an entry told by a name it does not have:", name);
        if (!key.isEmpty() && (key.front().isSpace() || key.back().isSpace()))
            FuzzSupport::broken("a player's key left untrimmed:", name);
    }

    const QString rel = UnRarExtractor::safeRelativePath(name);
    if (rel.isEmpty()) return;
    if (rel.startsWith(QLatin1Char('/')) || rel.contains(QLatin1Char('\\')) || rel.contains(QChar(0)))
        FuzzSupport::broken("entry path not relative:", rel);
    const QStringList parts = rel.split(QLatin1Char('/'));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            FuzzSupport::broken("entry path leaves its folder:", rel);
    if (parts.first().size() >= 2 && parts.first()[1] == QLatin1Char(':') && parts.first()[0].isLetter())
        FuzzSupport::broken("entry path names a drive:", rel);
}

}  // namespace

// The parts of a split pack are found among names beside the chosen one: in
// order, each one of the names given, and the chosen one among them.
void checkVolumes(const QStringList& names)
{
    if (names.isEmpty()) return;
    const PackVolumes::Set set = PackVolumes::find(names.first(), names);
    if (set.parts.size() != set.numbers.size()) FuzzSupport::broken("parts and places differ in number");
    for (qsizetype i = 0; i < set.parts.size(); ++i) {
        if (!names.contains(set.parts[i], Qt::CaseInsensitive)) FuzzSupport::broken("a part not given:", set.parts[i]);
        if (i > 0 && set.numbers[i] <= set.numbers[i - 1]) FuzzSupport::broken("parts out of order");
    }
    if (set.split() && !set.parts.contains(names.first(), Qt::CaseInsensitive) && set.firstMissing == 0)
        FuzzSupport::broken("the chosen part left out of its set:", names.first());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkName(QString::fromUtf8(bytes));
    checkName(QString::fromLatin1(bytes));
    checkVolumes(QString::fromUtf8(bytes).split(QLatin1Char('\n')).mid(0, 64));
    return 0;
}

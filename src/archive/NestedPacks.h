#pragma once

#include <QString>
#include <QStringList>

#include "archive/UnRarExtractor.h"

class ProgressSink;

// Packs inside a face pack. Packs are often wrapped once more (a ZIP inside a
// RAR, a RAR in parts inside a ZIP); when an unpacked pack holds nothing but
// such packs, and perhaps a few text files beside them, the packs inside can
// be unpacked too, one level deep, each into a folder named after it.
namespace NestedPacks {

// The packs in the unpacked tree under `folder` (paths relative to it, one
// per pack: the first part found of a split one), when that is all the tree
// holds beside a few text files; otherwise nothing.
QStringList find(const QString& folder);

// Unpacks each pack of find() into a folder of its own name beside it and
// removes the pack's files. The limits of `extractor` hold for everything
// unpacked together: what `total` already counts is taken off them, and
// what each pack adds is added to it. `progress` (may be null) is given the
// pack's name and advanced up to `barMaximum` for each pack. Stops at the
// first failure, with `failedPack` naming that pack and the report saying why.
UnRarExtractor::Report unpack(const UnRarExtractor& extractor, const QString& folder, const QStringList& packs,
                              ProgressSink* progress, qint64 barMaximum, UnRarExtractor::Report& total,
                              QString* failedPack);

}  // namespace NestedPacks

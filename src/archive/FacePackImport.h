#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "archive/UnRarExtractor.h"
#include "platform/Result.h"

class ProgressSink;

// Unpacks one face pack into the program's archive folder.
//
// The pack is extracted into a fresh private folder of its own (made next to
// the archive folder, so that the merge is a matter of renames on one disk,
// and named after this process, so that a later start can remove it when the
// process died before it could), and only when the whole pack came out is
// that tree merged into the archive folder: files replace same-named files,
// folders merge with same-named folders, everything else in the archive
// stays. A failure or a cancel before the merge leaves the archive folder
// exactly as it was. The merge is one FileTransaction: it cannot be
// cancelled, it is checked before it starts for what would stop it (a
// read-only file in the way, a file where the pack has a folder, a link), and
// when a step fails all the same, or the process dies, everything it replaced
// is put back. The private folder is removed afterwards in every case;
// nothing else is ever deleted.
class FacePackImport {
public:
    enum class Outcome { Imported, Canceled, Failed };

    struct Report {
        Outcome outcome = Outcome::Failed;
        UnRarExtractor::Report extraction;
        int merged = 0;   // files moved into the archive folder
        QString message;  // what to tell the user; empty when nothing needs saying
    };

    // `stagingParent`: the folder in which the private extraction folder is
    // made; the system's temporary folder is used when it cannot be.
    FacePackImport(const UnRarExtractor& extractor, const QString& archiveFolder, const QString& stagingParent);

    // Asked, with the packs' paths inside the unpacked pack, whether packs
    // that are all a pack holds are to be unpacked too; true for yes.
    using NestedOffer = std::function<bool(const QStringList& packs)>;

    // `progress` (may be null) is advanced in bytes of the pack read, up to
    // its size (all its parts' when it is split); its cancel is honoured
    // until the merge starts.
    Report run(const QString& packPath, ProgressSink* progress = nullptr, const NestedOffer& offerNested = {}) const;

    // Fails, saying what stands in the way, when the staged tree cannot be
    // merged into the archive folder.
    static Result mergeConflict(const QString& staging, const QString& archive);
    // Moves the staged tree into the archive folder as one transaction whose
    // journal goes into `journalFolder`: all of it, or nothing (the failure
    // then says which file and the system's reason). `unfinished` (may be
    // null) is set when even taking back failed.
    static Result merge(const QString& staging, const QString& archive, const QString& journalFolder,
                        int* moved = nullptr, bool* unfinished = nullptr);

    // Removes the private folders of imports whose process has ended, from
    // `folder` and from the system's temporary folder. Returns how many.
    static int removeStaleStaging(const QString& folder);

    // The message for a pack that could not be imported.
    static QString failureMessage(const QString& packPath, const UnRarExtractor::Report& extraction);

private:
    const UnRarExtractor& extractor_;
    QString archiveFolder_;
    QString stagingParent_;
};

#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include "cli/Command.h"
#include "facefolder/FaceFolderCheck.h"
#include "facefolder/MapFile.h"

namespace Cli {

// A face folder read as "Installed..." reads it: map.txt, one listing of the
// folders, the health check. Shared by the commands that show it.
struct FaceFolderView {
    QString mapPath;
    MapFile::Document doc;
    FolderListing listing;
    FaceFolderCheck::Report report;

    // False, with the message in `why`, when the face folder or its map.txt cannot be read.
    bool read(const Context& context, QString* why)
    {
        if (!context.requireFaceFolder(why)) return false;
        mapPath = context.faceFolder + QStringLiteral("/map.txt");
        if (const Result r = MapFile::read(mapPath, doc); !r) {
            *why = r.message;
            return false;
        }
        listing = FolderListing::list(context.faceFolder);
        report = FaceFolderCheck::check(doc, listing);
        return true;
    }

    // The kinds of problem of a line, as words that scripts can match.
    QStringList kinds(int line) const
    {
        using namespace FaceFolderCheck;
        static const std::pair<Flag, const char*> names[] = {
            {NotUnderstood, "not-understood"}, {FaceMissing, "face-missing"},
            {HairMissing, "hair-missing"},     {Outside, "outside"},
            {Duplicate, "duplicate"},          {NoFinalLineEnd, "no-final-line-end"},
        };
        QStringList result;
        for (const auto& [flag, name] : names)
            if (report.lines[size_t(line)].flags & flag) result << QString::fromLatin1(name);
        return result;
    }

    QString orphan(int index) const { return listing.file(index).relative; }
};

}  // namespace Cli

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMutex>
#include <QString>

#include "models/FreeImageLib.h"
#include "platform/Result.h"

// Thumbnails of model files kept on disk between runs, so that a face folder
// shows as pictures at once the second time. One file per model file, named
// by a hash of the model file's path and holding the path, size and
// modification time it was made from: a model file that changed no longer
// matches and is made again. A model file that gives no picture is kept too,
// with the reason, so that it is not decoded again on every visit.
//
// Files are written beside their name and renamed over it, never synced: a
// file cut short by a crash fails its check and is made again. The folder is
// kept under a size limit, the files used least recently removed first
// (a file read again is marked as used a day after it was last marked).
// Every call is safe from any thread.
class ThumbnailCache {
public:
    // Enough for the thumbnails of a face folder of 20,000 entries.
    static constexpr qint64 kDefaultLimit = 1024LL * 1024 * 1024;

    // What a thumbnail was made from.
    struct Key {
        QString path;  // absolute
        qint64 size = -1;
        qint64 modified = 0;  // milliseconds since the epoch
        int edge = 0;         // the thumbnail's longest side
        bool operator==(const Key&) const = default;
        // The key of a model file as it is now; false when it is not a readable file.
        static bool of(const QString& path, int edge, Key* key);
    };
    struct Entry {
        RgbaImage picture;  // null when the model gave none
        QString failure;    // why, then
    };

    // $XDG_CACHE_HOME/ludex-manager/thumbnails (on Windows, the per-user
    // local cache folder).
    static QString defaultFolder();

    explicit ThumbnailCache(const QString& folder, qint64 limitBytes = kDefaultLimit);
    QString folder() const { return folder_; }
    // The cache file of a model file.
    QString fileFor(const QString& modelPath) const;

    // The entry kept for exactly this key; false when there is none, or when
    // the file there is damaged or was made from another version of the model.
    bool find(const Key& key, Entry* entry) const;
    // True when a file for exactly this key is there; only its key is read
    // (find() still checks the rest when it is shown).
    bool has(const Key& key) const;
    // Keeps an entry, replacing any older one of the same model file, and
    // trims the folder when it has grown past its limit. An entry made ahead
    // of being `shown` goes before those that were, when the folder is trimmed.
    Result store(const Key& key, const Entry& entry, bool shown = true);
    // Removes the oldest files until the folder holds at most three quarters
    // of the limit, and scratch files left by a program that was killed.
    void trim();
    // The bytes the cache files take, as last counted.
    qint64 usedBytes() const;

    // The bytes of one cache file (empty when a text is too long to keep),
    // and the reading of them. The reader takes untrusted bytes: anything
    // damaged fails it with a reason.
    static QByteArray encode(const Key& key, const Entry& entry);
    static Result decode(QByteArrayView bytes, Key* key, Entry* entry);

    static constexpr int kMaxEdge = 1024;

private:
    void countUsed();

    QString folder_;
    qint64 limit_;
    mutable QMutex mutex_;
    qint64 used_ = -1;  // -1 until counted
};

#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "models/ThumbnailCache.h"

// Makes thumbnails of model files on worker threads (one a core), never on
// the thread that asks. Two queues: what is on screen now, asked for while
// painting, goes ahead of the rest of the folder, which is only made so that
// the disk cache holds it. What came back is kept in memory for the view
// (a bounded number, those used least recently dropped first); what the disk
// cache holds comes back from there without a decode.
//
// Lives on the window's thread: get(), showing() and queueRest() are called
// there, and ready() is raised there.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString cacheFolder;  // empty: no disk cache (and nothing is made ahead)
        qint64 cacheLimit = ThumbnailCache::kDefaultLimit;
        int threads = 0;        // 0: one a core
        int memoryItems = 400;  // thumbnails kept in memory: a few screens' worth
    };
    struct Thumb {
        enum class State { Pending, Ready, Failed };
        State state = State::Pending;
        RgbaImage picture;  // Ready
        QString failure;    // Failed: why the model gives no picture
    };

    explicit ThumbnailLoader(const Options& options, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // What is known of a model file's thumbnail with this longest side. A
    // thumbnail not in memory is asked for ahead of everything else.
    Thumb get(const QString& path, int edge);
    // A new screenful is about to be asked for: what the last one asked for
    // and is not yet made no longer goes first.
    void showing();
    // Makes these too, after what is on screen, for the disk cache.
    void queueRest(const std::vector<std::pair<QString, int>>& items);
    // Forgets everything in memory and queued (the folder was read again:
    // files may have changed, and the disk cache's keys say which).
    void clear();
    // Stops every worker: queued work is dropped, a thumbnail being made is
    // finished or dropped whole. No thread of the loader runs afterwards.
    void stop();

    int threadCount() const { return int(workers_.size()); }
    // Workers of every loader now running, for checks that none outlives its view.
    static int runningWorkers();
    // True when nothing is queued or being made.
    bool idle() const;
    int inMemory() const { return int(memory_.size()); }
    ThumbnailCache* cache() { return cache_.get(); }

signals:
    // Some thumbnails arrived; a view repaints what it shows.
    void ready();

private:
    struct Job {
        QString path;
        int edge = 0;
        bool urgent = false;
        quint64 generation = 0;
    };
    struct Done {
        Job job;
        Thumb thumb;
    };
    static QString keyOf(const QString& path, int edge) { return QString::number(edge) + QLatin1Char('|') + path; }
    void work();
    Thumb make(const Job& job);
    void collect();
    void keep(const QString& key, const Thumb& thumb, bool hot);

    std::unique_ptr<ThumbnailCache> cache_;
    const int memoryItems_;

    // Shared with the workers, under mutex_.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> urgent_;
    std::deque<Job> rest_;
    QSet<QString> made_;      // keys made or found this session (the rest skips them)
    std::vector<Done> done_;  // made, not yet collected
    int busy_ = 0;
    bool stopping_ = false;
    quint64 generation_ = 0;  // raised by clear(): older results are dropped
    std::vector<std::thread> workers_;

    // The window's thread only.
    QHash<QString, std::list<std::pair<QString, Thumb>>::iterator> memory_;
    std::list<std::pair<QString, Thumb>> order_;  // most recently used first
    QHash<QString, QString> failed_;
    QSet<QString> asked_;  // urgent, not yet back
};

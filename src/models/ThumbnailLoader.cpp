#include "models/ThumbnailLoader.h"

#include <QMetaObject>
#include <QThread>

#include "models/Thumbnails.h"

namespace {

std::atomic<int> g_runningWorkers{0};

}  // namespace

int ThumbnailLoader::runningWorkers() { return g_runningWorkers.load(); }

ThumbnailLoader::ThumbnailLoader(const Options& options, QObject* parent)
    : QObject(parent), memoryItems_(qMax(16, options.memoryItems))
{
    if (!options.cacheFolder.isEmpty())
        cache_ = std::make_unique<ThumbnailCache>(options.cacheFolder, options.cacheLimit);
    const int threads = options.threads > 0 ? options.threads : qMax(1, QThread::idealThreadCount());
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

ThumbnailLoader::~ThumbnailLoader() { stop(); }

void ThumbnailLoader::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        urgent_.clear();
        rest_.clear();
    }
    wake_.notify_all();
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
    workers_.clear();
}

bool ThumbnailLoader::idle() const
{
    std::lock_guard lock(mutex_);
    return urgent_.empty() && rest_.empty() && busy_ == 0 && done_.empty();
}

ThumbnailLoader::Thumb ThumbnailLoader::get(const QString& path, int edge)
{
    const QString key = keyOf(path, edge);
    if (auto it = memory_.find(key); it != memory_.end()) {
        order_.splice(order_.begin(), order_, it.value());  // used now
        return it.value()->second;
    }
    if (auto it = failed_.find(key); it != failed_.end()) return {Thumb::State::Failed, RgbaImage(), it.value()};
    if (!asked_.contains(key)) {
        asked_.insert(key);
        {
            std::lock_guard lock(mutex_);
            urgent_.push_back({path, edge, true, generation_});
        }
        wake_.notify_one();
    }
    return Thumb();
}

void ThumbnailLoader::showing()
{
    std::lock_guard lock(mutex_);
    for (const Job& j : urgent_) asked_.remove(keyOf(j.path, j.edge));
    urgent_.clear();
}

void ThumbnailLoader::queueRest(const std::vector<std::pair<QString, int>>& items)
{
    if (!cache_) return;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [path, edge] : items) rest_.push_back({path, edge, false, generation_});
    }
    wake_.notify_all();
}

void ThumbnailLoader::clear()
{
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        urgent_.clear();
        rest_.clear();
        made_.clear();
        done_.clear();
    }
    memory_.clear();
    order_.clear();
    failed_.clear();
    asked_.clear();
}

void ThumbnailLoader::work()
{
    ++g_runningWorkers;
    struct Leaving {
        ~Leaving() { --g_runningWorkers; }
    } leaving;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !urgent_.empty() || !rest_.empty(); });
        if (stopping_) return;
        Job job;
        if (!urgent_.empty()) {
            job = std::move(urgent_.front());
            urgent_.pop_front();
        } else {
            job = std::move(rest_.front());
            rest_.pop_front();
            if (made_.contains(keyOf(job.path, job.edge))) continue;
        }
        ++busy_;
        lock.unlock();
        Thumb thumb = make(job);
        lock.lock();
        --busy_;
        if (stopping_ || job.generation != generation_) continue;
        made_.insert(keyOf(job.path, job.edge));
        const bool first = done_.empty();
        done_.push_back({std::move(job), std::move(thumb)});
        // One call collects everything made meanwhile: the window's thread
        // is not flooded with an event per thumbnail.
        if (first) QMetaObject::invokeMethod(this, &ThumbnailLoader::collect, Qt::QueuedConnection);
    }
}

ThumbnailLoader::Thumb ThumbnailLoader::make(const Job& job)
{
    ThumbnailCache::Key key;
    if (!ThumbnailCache::Key::of(job.path, job.edge, &key))
        return {Thumb::State::Failed, RgbaImage(), QStringLiteral("the file is missing or cannot be read")};
    // Made ahead for the cache, and already there: nothing to do.
    if (!job.urgent && cache_ && cache_->has(key)) return Thumb();
    ThumbnailCache::Entry entry;
    if (!cache_ || !cache_->find(key, &entry)) {
        if (Result r = Thumbnails::make(job.path, job.edge, &entry.picture); !r) {
            entry.picture = RgbaImage();
            // The path is under the picture already; the reason is what matters.
            entry.failure =
                r.message.startsWith(job.path + QStringLiteral(": ")) ? r.message.mid(job.path.size() + 2) : r.message;
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return Thumb();
        }
        // A cache that cannot be written only costs the next visit a decode.
        if (cache_) cache_->store(key, entry, job.urgent);
    }
    if (entry.picture.isNull()) return {Thumb::State::Failed, RgbaImage(), entry.failure};
    return {Thumb::State::Ready, std::move(entry.picture), QString()};
}

void ThumbnailLoader::collect()
{
    std::vector<Done> done;
    {
        std::lock_guard lock(mutex_);
        done.swap(done_);
    }
    bool changed = false;
    for (Done& d : done) {
        const QString key = keyOf(d.job.path, d.job.edge);
        if (d.job.urgent) asked_.remove(key);
        if (d.thumb.state == Thumb::State::Pending) continue;  // nothing to show
        if (d.thumb.state == Thumb::State::Failed) {
            failed_.insert(key, d.thumb.failure);
            changed = true;
        } else if (d.job.urgent || int(memory_.size()) < memoryItems_) {
            // What was made ahead is kept only while there is room; it is
            // on disk for when it is scrolled to.
            keep(key, d.thumb, d.job.urgent);
            changed = true;
        }
    }
    if (changed) emit ready();
}

void ThumbnailLoader::keep(const QString& key, const Thumb& thumb, bool hot)
{
    if (auto it = memory_.find(key); it != memory_.end()) {
        order_.erase(it.value());
        memory_.erase(it);
    }
    memory_.insert(key, hot ? order_.insert(order_.begin(), {key, thumb}) : order_.insert(order_.end(), {key, thumb}));
    while (int(memory_.size()) > memoryItems_) {
        memory_.remove(order_.back().first);
        order_.pop_back();
    }
}

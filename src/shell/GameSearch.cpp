#include "shell/GameSearch.h"

#include <QMetaObject>

GameSearch::GameSearch(const GameLocator::Options& options, QObject* receiver,
                       std::function<void(const GameLocator::Found&)> done)
{
    worker_ = std::thread([this, options, receiver, done = std::move(done)] {
        const GameLocator::Found found = GameLocator::find(options, stop_);
        // The receiver outlives this object, whose destructor waits here: the
        // call is posted to a live object, and dropped if it dies unserved.
        if (!stop_.load())
            QMetaObject::invokeMethod(
                receiver, [done, found] { done(found); }, Qt::QueuedConnection);
    });
}

GameSearch::~GameSearch()
{
    stop_.store(true);
    if (worker_.joinable()) worker_.join();
}

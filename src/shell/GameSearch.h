#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

#include "platform/GameLocator.h"

// The search for the game at a first start, on a thread of its own so that
// the window goes on starting and stays responsive: when the walk is done,
// `done` runs on the thread of `receiver` as a queued call. Going away first
// stops the walk and waits for it; a result not yet taken is then dropped.
class GameSearch {
public:
    GameSearch(const GameLocator::Options& options, QObject* receiver,
               std::function<void(const GameLocator::Found&)> done);
    ~GameSearch();
    GameSearch(const GameSearch&) = delete;
    GameSearch& operator=(const GameSearch&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

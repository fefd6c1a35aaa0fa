#include "net/Dispatcher.h"

#include <utility>

void TQueueDispatcher::Post(std::function<void()> call) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }
    posted_.notify_all();
}

void TQueueDispatcher::Pump() {
    // One call at a time and outside the lock, so that a call may post or pump.
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (calls_.empty()) return;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        if (call) call();
    }
}

void TQueueDispatcher::WaitAndPump(std::chrono::milliseconds timeout) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        posted_.wait_for(lock, timeout, [this] { return !calls_.empty(); });
    }
    Pump();
}

bool TQueueDispatcher::Pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !calls_.empty();
}

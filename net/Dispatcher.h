// Runs calls on the user-interface thread on behalf of worker threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class TDispatcher {
public:
    virtual ~TDispatcher() = default;

    // Queues a call for the user-interface thread; callable from any thread.
    virtual void Post(std::function<void()> call) = 0;

    // Runs the calls pending so far, on the calling (user-interface) thread.
    // A call may pump again; the queue keeps its order.
    virtual void Pump() = 0;
};

// A plain queue for owners without an event loop: the owner calls Pump
// (or WaitAndPump) from its user-interface thread.
class TQueueDispatcher : public TDispatcher {
public:
    void Post(std::function<void()> call) override;
    void Pump() override;

    // Waits until a call is pending or the time has passed, then pumps.
    void WaitAndPump(std::chrono::milliseconds timeout);

    bool Pending() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> calls_;
};

// Carries calls from worker threads onto the Qt event loop of the thread that
// created the dispatcher, for components such as TUDP.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

#include "net/Dispatcher.h"

class TUdpQtDispatcher : public QObject, public TDispatcher {
public:
    explicit TUdpQtDispatcher(QObject* parent = nullptr);

    // Queues the call and wakes the event loop; callable from any thread.
    void Post(std::function<void()> call) override;

    // Runs what is pending now; the event loop does the same by itself.
    void Pump() override;

    bool Pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};

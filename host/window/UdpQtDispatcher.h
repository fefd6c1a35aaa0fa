// Carries calls from worker threads onto the Qt event loop of the thread that
// created the dispatcher, for components such as TUDP.
#pragma once

#include <QObject>
#include <functional>

#include "net/Dispatcher.h"

// The plain call queue, woken up by the event loop instead of by its owner.
class TUdpQtDispatcher : public QObject, public TQueueDispatcher {
public:
    explicit TUdpQtDispatcher(QObject* parent = nullptr);

    // Queues the call and wakes the event loop; callable from any thread.
    void Post(std::function<void()> call) override;
};

#include "host/UdpQtDispatcher.h"

#include <QMetaObject>
#include <utility>

TUdpQtDispatcher::TUdpQtDispatcher(QObject* parent) : QObject(parent) {}

void TUdpQtDispatcher::Post(std::function<void()> call) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }
    // An event per call, so that a handler running a nested event loop does not
    // hold back the calls behind it; the context object drops the event when the
    // dispatcher is gone.
    QMetaObject::invokeMethod(
        this, [this] { Pump(); }, Qt::QueuedConnection);
}

void TUdpQtDispatcher::Pump() {
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

bool TUdpQtDispatcher::Pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !calls_.empty();
}

#include "host/window/UdpQtDispatcher.h"

#include <QMetaObject>
#include <utility>

TUdpQtDispatcher::TUdpQtDispatcher(QObject* parent) : QObject(parent) {}

void TUdpQtDispatcher::Post(std::function<void()> call) {
    TQueueDispatcher::Post(std::move(call));
    // An event per call, so that a handler running a nested event loop does not
    // hold back the calls behind it; the context object drops the event when the
    // dispatcher is gone.
    QMetaObject::invokeMethod(
        this, [this] { Pump(); }, Qt::QueuedConnection);
}

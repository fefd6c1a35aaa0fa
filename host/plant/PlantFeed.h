// The plant feed: plant values arriving as UDP datagrams of "NAME VALUE"
// lines, so that a test rig or a script drives the panel while it runs. Each
// datagram is handed to the handler on the user-interface thread (through
// the dispatcher) and answered to its sender with what the handler returns:
// "ok" or the error line.
//
// Only the UDP component is used here; what a datagram means is the
// handler's business (the window and the runner pass the plant model's
// ApplyLines).
#pragma once

#include <functional>
#include <string>

#include "net/Dispatcher.h"
#include "net/Udp.h"

class PlantFeed {
public:
    using Handler = std::function<std::string(const std::string& datagram)>;

    // The dispatcher must outlive the feed.
    PlantFeed(TDispatcher& dispatcher, Handler handler);
    ~PlantFeed();
    PlantFeed(const PlantFeed&) = delete;
    PlantFeed& operator=(const PlantFeed&) = delete;

    // Listens on address:port (the loopback interface unless told
    // otherwise). Fails when the port is out of 1024..65535 or taken: the
    // feed never moves to another port behind its user's back.
    bool Start(int port, std::string& error, const std::string& address = "127.0.0.1");
    void Stop();
    int Port() const { return udp_.LocalPort(); }

    // Socket errors of the answers, for the owner to report.
    void SetOnError(TErrorEvent handler);

private:
    void Received(TUDP* udp, int count, int port, const std::string& ip);
    void Answer(TUDP* udp, const std::string& answer, int port, const std::string& ip);

    TUDP udp_;
    Handler handler_;
};

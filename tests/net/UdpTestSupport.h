// Helpers for the TUDP tests: loopback ports, port blockers and pumping.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "net/Dispatcher.h"
#include "net/Udp.h"

namespace udptest {

// Below the system's ephemeral range, so that outgoing sockets rarely collide.
inline int RandomHighPort() {
    static std::mt19937 random{std::random_device{}()};
    return 20000 + static_cast<int>(random() % 12000);
}

// Opens the component bound to the address, searching from a random high port.
inline int Open(TUDP& udp, const std::string& nic = "127.0.0.1") {
    udp.SetLocalPort(RandomHighPort());
    udp.SetBroadcastNIC(nic);
    udp.SetActive(1);
    if (udp.CreateSocket() != 0) return 0;
    return udp.LocalPort();
}

// Sends to the component's own loopback port.
inline void Aim(TUDP& sender, const TUDP& receiver) {
    sender.SetRemoteHost("127.0.0.1");
    sender.SetRemotePort(receiver.LocalPort());
}

// Holds a port on "any" so that nobody else can bind it.
class PortBlocker {
public:
    explicit PortBlocker(int port) : socket_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        bound_ = ::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~PortBlocker() { ::close(socket_); }
    PortBlocker(const PortBlocker&) = delete;
    PortBlocker& operator=(const PortBlocker&) = delete;
    bool Bound() const { return bound_; }

private:
    int socket_;
    bool bound_ = false;
};

inline bool PortFree(int port) { return PortBlocker(port).Bound(); }

// Pumps the dispatcher until the condition holds or the time is up.
inline bool PumpUntil(TQueueDispatcher& dispatcher, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        dispatcher.WaitAndPump(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace udptest

#include "host/plant/PlantFeed.h"

#include <utility>
#include <vector>

PlantFeed::PlantFeed(TDispatcher& dispatcher, Handler handler)
    : udp_(nullptr, &dispatcher), handler_(std::move(handler)) {
    udp_.SetUseThread(1);
    udp_.SetReplyTimeout(0);
    // Room for the largest datagram IPv4 carries, so that none is cut.
    udp_.SetBufferLength(65535);
    udp_.SetOnEmptyReceived(
        [this](TUDP* udp, int port, const std::string& ip) { Answer(udp, handler_(std::string()), port, ip); });
    udp_.SetOnDataReceived(
        [this](TUDP* udp, int count, int port, const std::string& ip) { Received(udp, count, port, ip); });
}

PlantFeed::~PlantFeed() { Stop(); }

bool PlantFeed::Start(int port, std::string& error, const std::string& address) {
    if (port < 1024 || port > 65535) {
        error = "the plant feed wants a port 1024..65535, not " + std::to_string(port);
        return false;
    }
    udp_.SetLocalPort(port);
    udp_.SetBroadcastNIC(address);
    udp_.SetActive(1);
    if (udp_.CreateSocket() != 0 || !udp_.HasSocket()) {
        error = "the plant feed cannot open a UDP socket";
        return false;
    }
    if (udp_.LocalPort() != port) {
        Stop();
        error = "the plant feed cannot listen on " + address + ":" + std::to_string(port) + ": the port is taken";
        return false;
    }
    return true;
}

void PlantFeed::Stop() { udp_.SetActive(0); }

void PlantFeed::SetOnError(TErrorEvent handler) { udp_.SetOnError(std::move(handler)); }

void PlantFeed::Received(TUDP* udp, int count, int port, const std::string& ip) {
    std::vector<char> buffer(static_cast<std::size_t>(count > 0 ? count : 0) + 1);
    const int read = udp->ReadBuffer(buffer.data(), static_cast<int>(buffer.size()), count);
    Answer(udp, handler_(std::string(buffer.data(), read > 0 ? static_cast<std::size_t>(read) : 0)), port, ip);
}

void PlantFeed::Answer(TUDP* udp, const std::string& answer, int port, const std::string& ip) {
    udp->SetRemoteHost(ip);
    udp->SetRemotePort(port);
    udp->Send(answer);
}

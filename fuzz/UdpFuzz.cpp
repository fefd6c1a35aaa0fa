// Sends arbitrary datagrams over the loopback interface into two TUDP
// components, one receiving with the blocking call and one through its
// receive thread, with buffer lengths and copy counts taken from the input.
// What arrives must be a prefix of what was sent and must stay inside the
// buffers it was given.
//
// Input: bytes 0-1 the blocking call's buffer length (signed), bytes 2-3 the
// thread's BufferLength, bytes 4-5 the count passed to ReadBuffer (signed),
// the rest the datagram.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/Udp.h"

namespace {

constexpr std::size_t kHeader = 6;
constexpr std::size_t kMaxDatagram = 65507;
constexpr std::size_t kTagSize = 4;  // a sequence number in front of each threaded datagram
constexpr auto kDeliveryWait = std::chrono::milliseconds(200);

struct Rig {
    TQueueDispatcher dispatcher;
    TUDP blocking{nullptr};
    TUDP threaded{nullptr, &dispatcher};
    int sendSocket = -1;
    std::uint32_t sequence = 0;

    // What the threaded handler saw for the datagram with the current tag.
    bool delivered = false;
    std::vector<std::uint8_t> copy;
    int copied = 0;
    int readCount = 0;
    int readLength = 0;

    Rig() {
        const std::int32_t base = 20000 + static_cast<std::int32_t>(getpid() % 20000);
        Open(blocking, base);
        threaded.SetUseThread(1);
        threaded.SetThreadInterval(0);
        threaded.SetOnDataReceived([this](TUDP* sender, int count, int, const std::string&) {
            std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(readLength, 1)));
            const int got = sender->ReadBuffer(buffer.data(), readLength, std::min(readCount, count));
            if (got < 0 || got > readLength || got > count) std::abort();
            std::uint32_t tag = 0;
            if (got >= static_cast<int>(kTagSize)) std::memcpy(&tag, buffer.data(), kTagSize);
            // A datagram from an earlier input that arrived late is not this one's.
            if (got >= static_cast<int>(kTagSize) && tag != sequence) return;
            delivered = true;
            copied = got;
            copy.assign(buffer.begin(), buffer.begin() + got);
        });
        Open(threaded, base + 200);
        sendSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (sendSocket < 0 || !blocking.HasSocket() || !threaded.HasSocket()) std::abort();
    }

    static void Open(TUDP& udp, std::int32_t port) {
        udp.SetLocalPort(port);
        udp.SetBroadcastNIC("127.0.0.1");
        udp.SetActive(1);
        udp.CreateSocket();
    }

    void SendTo(const TUDP& udp, const std::uint8_t* data, std::size_t size) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(udp.LocalPort()));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(sendSocket, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    // Empties the blocking component's socket of anything an earlier input left.
    void Drain() {
        std::vector<std::uint8_t> scratch(kMaxDatagram + 1);
        int port = 0;
        while (blocking.ReceiveBuffer(scratch.data(), static_cast<int>(scratch.size()), port) > 0) {
        }
    }
};

Rig& TheRig() {
    static Rig* rig = new Rig;  // lives to the end of the process with its thread
    return *rig;
}

std::int16_t Signed16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] << 8 | p[1]); }

void BlockingReceive(Rig& rig, std::int16_t length, const std::uint8_t* data, std::size_t size) {
    rig.Drain();
    rig.SendTo(rig.blocking, data, size);
    // The buffer has exactly the length the caller claims, so that any
    // write beyond it is caught.
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max<int>(length, 1)));
    int port = 0;
    std::string ip;
    const int count = rig.blocking.ReceiveBuffer(buffer.data(), length, port, ip);
    if (count <= 0) return;
    if (count >= length || static_cast<std::size_t>(count) > size) std::abort();
    if (std::memcmp(buffer.data(), data, static_cast<std::size_t>(count)) != 0) std::abort();
    if (buffer[static_cast<std::size_t>(count)] != 0) std::abort();
    if (ip != "127.0.0.1") std::abort();
}

void ThreadedReceive(Rig& rig, std::uint16_t bufferLength, std::int16_t readCount, const std::uint8_t* data,
                     std::size_t size) {
    rig.threaded.SetBufferLength(bufferLength);
    ++rig.sequence;
    std::vector<std::uint8_t> datagram(kTagSize + size);
    std::memcpy(datagram.data(), &rig.sequence, kTagSize);
    if (size > 0) std::memcpy(datagram.data() + kTagSize, data, size);
    rig.delivered = false;
    rig.readCount = readCount;
    rig.readLength = static_cast<int>(datagram.size());
    rig.SendTo(rig.threaded, datagram.data(), datagram.size());
    // A buffer of one byte holds only the terminating zero: nothing arrives.
    if (bufferLength <= 1) return;
    const auto deadline = std::chrono::steady_clock::now() + kDeliveryWait;
    while (!rig.delivered && std::chrono::steady_clock::now() < deadline) {
        rig.dispatcher.WaitAndPump(std::chrono::milliseconds(5));
    }
    if (!rig.delivered || rig.copied < static_cast<int>(kTagSize)) return;
    if (std::memcmp(rig.copy.data(), datagram.data(), static_cast<std::size_t>(rig.copied)) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader) return 0;
    Rig& rig = TheRig();
    const std::uint8_t* payload = data + kHeader;
    const std::size_t payloadSize = std::min(size - kHeader, kMaxDatagram - kTagSize);
    BlockingReceive(rig, Signed16(data), payload, payloadSize);
    ThreadedReceive(rig, static_cast<std::uint16_t>(data[2] << 8 | data[3]), Signed16(data + 4), payload, payloadSize);
    return 0;
}

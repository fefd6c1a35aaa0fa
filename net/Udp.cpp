#include "net/Udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "net/UdpReceivePath.h"

namespace {

constexpr int kBindAttempts = 101;
// The largest payload of an IPv4 datagram; the scratch buffer takes any datagram whole.
constexpr int kLargestDatagram = 65507;
constexpr std::size_t kScratchLength = 65536;
constexpr std::size_t kMaxErrorText = 1024;
const char* const kAnyInterface = "255.255.255.255";

std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// True once the tick count has gone beyond the deadline, across the wrap of the counter.
bool TickPassed(std::uint32_t now, std::uint32_t deadline) { return static_cast<std::int32_t>(now - deadline) > 0; }

int StartSocketLibrary(TSocketData& data) {
    data.version = 0x0002;
    data.highVersion = 0x0002;
    return 0;
}

void StopSocketLibrary() {}

std::string SystemErrorText(int error) {
    std::string text = std::system_category().message(error);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    return text;
}

std::string DottedAddress(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) return std::string();
    return text;
}

// Only names that could be host names go to the resolver, so that nonsense
// never turns into a query on the network.
bool LooksLikeHostName(const std::string& name) {
    if (name.empty() || name.size() > 253) return false;
    for (char c : name) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '-' && c != '.' && c != '_') return false;
    }
    return true;
}

bool ResolveHost(const std::string& host, in_addr& address) {
    if (inet_aton(host.c_str(), &address) != 0) return true;
    if (!LooksLikeHostName(host)) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    bool resolved = false;
    for (const addrinfo* entry = found; entry != nullptr && !resolved; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
            sockaddr_in ipv4{};
            std::memcpy(&ipv4, entry->ai_addr, sizeof ipv4);
            address = ipv4.sin_addr;
            resolved = true;
        }
    }
    freeaddrinfo(found);
    return resolved;
}

// True unless the address is one that no interface of this machine holds; a
// bind to port 0 tries the address without taking a port anybody wants.
bool AddressIsLocal(const in_addr& address) {
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return true;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    const bool refused =
        ::bind(probe, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 && errno == EADDRNOTAVAIL;
    ::close(probe);
    return !refused;
}

void SetSocketReceiveTimeout(int socket, std::uint32_t ms) {
    timeval time{};
    time.tv_sec = static_cast<time_t>(ms / 1000);
    time.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &time, sizeof time);
}

}  // namespace

// Counts the calls that are inside the socket, by thread. A close wakes them and
// waits until they have left before it gives the descriptor back, so that no
// call reads from a closed descriptor, or from another socket that took its number.
struct TUDP::TSocketGate {
    std::mutex mutex;
    std::condition_variable left;
    std::vector<std::thread::id> users;
    bool closing = false;
    // Counts the times a new binding took the descriptor over.
    unsigned renewals = 0;

    // True while a thread other than the caller's is inside the socket; the
    // caller's own calls may be what is closing it (from an OnError handler).
    bool OthersInside() const {
        const std::thread::id self = std::this_thread::get_id();
        return std::any_of(users.begin(), users.end(), [&](std::thread::id user) { return user != self; });
    }
};

class TUDP::TSocketUse {
public:
    // Sends may still go out while a close runs, for a handler that answers.
    TSocketUse(TUDP& udp, bool receiving) : gate_(udp.gate_) {
        std::lock_guard<std::mutex> lock(gate_->mutex);
        if (receiving && gate_->closing) return;
        socket_ = udp.socket_;
        if (socket_ != kNoSocket) gate_->users.push_back(std::this_thread::get_id());
    }
    ~TSocketUse() {
        if (socket_ == kNoSocket) return;
        std::lock_guard<std::mutex> lock(gate_->mutex);
        auto self = std::find(gate_->users.begin(), gate_->users.end(), std::this_thread::get_id());
        if (self != gate_->users.end()) gate_->users.erase(self);
        gate_->left.notify_all();
    }
    TSocketUse(const TSocketUse&) = delete;
    TSocketUse& operator=(const TSocketUse&) = delete;

    int Socket() const { return socket_; }
    bool Closing() const {
        std::lock_guard<std::mutex> lock(gate_->mutex);
        return gate_->closing;
    }
    unsigned Renewals() const {
        std::lock_guard<std::mutex> lock(gate_->mutex);
        return gate_->renewals;
    }

private:
    // A copy, because the gate must outlive a component that is destroyed while this call is still leaving.
    std::shared_ptr<TSocketGate> gate_;
    int socket_ = kNoSocket;
};

// Shared between the thread and the calls it posts, which may outlive it.
struct TUDPThread::TSync {
    enum class Delivery { None, Pending, Running, Done };

    std::mutex mutex;
    std::condition_variable changed;
    bool terminated = false;
    bool exited = false;
    Delivery delivery = Delivery::None;
};

TUDPThread::TUDPThread(TUDP* owner, TDispatcher* dispatcher)
    : owner_(owner), dispatcher_(dispatcher), sync_(std::make_shared<TSync>()) {}

TUDPThread::~TUDPThread() {
    Terminate();
    Join();
}

bool TUDPThread::Start() {
    scratch_.reset(new (std::nothrow) char[kScratchLength]);
    if (!scratch_) return false;
    try {
        thread_ = std::thread([this] { Execute(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void TUDPThread::Terminate() {
    {
        std::lock_guard<std::mutex> lock(sync_->mutex);
        sync_->terminated = true;
    }
    sync_->changed.notify_all();
}

void TUDPThread::Join() {
    if (thread_.joinable()) thread_.join();
}

void TUDPThread::WaitForChange(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(sync_->mutex);
    sync_->changed.wait_for(lock, timeout,
                            [this] { return sync_->exited || sync_->delivery == TSync::Delivery::Pending; });
}

bool TUDPThread::Terminated() {
    std::lock_guard<std::mutex> lock(sync_->mutex);
    return sync_->terminated;
}

void TUDPThread::Pause(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(sync_->mutex);
    sync_->changed.wait_for(lock, time, [this] { return sync_->terminated; });
}

void TUDPThread::Execute() {
    // Nothing may escape a thread; a failure simply ends the loop.
    try {
        Loop();
    } catch (...) {
    }
    {
        std::lock_guard<std::mutex> lock(sync_->mutex);
        sync_->exited = true;
    }
    owner_->threadRunning_ = 0;
    sync_->changed.notify_all();
}

void TUDPThread::Loop() {
    while (!Terminated()) {
        // The interval is the wait when nothing is there; 0 leaves the 1 ms of
        // the receive time-out, so that an idle thread does not spin on a core.
        const std::uint16_t interval = owner_->threadInterval_;
        const std::chrono::milliseconds wait(interval != 0 ? interval : 1);
        if (!owner_->useThread_ || !owner_->onDataReceivedAssigned_ || owner_->bufferLength_ == 0 ||
            dispatcher_ == nullptr) {
            Pause(wait);
            continue;
        }
        if (owner_->receiveTimeout_ > 1) {
            owner_->receiveTimeout_ = 1;
            owner_->ApplyReceiveTimeout();
        }
        if (owner_->replyTimeout_ != 0 && owner_->replyState_ == 1 && TickPassed(TickCount(), owner_->replyDeadline_)) {
            std::uint8_t waiting = 1;
            owner_->replyState_.compare_exchange_strong(waiting, 255);
        }
        // Every datagram that is waiting is taken before the thread waits again;
        // a pause per datagram would let a steady stream overflow the socket.
        if (ReceiveOne()) continue;
        WaitForDatagram(wait);
    }
}

bool TUDPThread::ReceiveOne() {
    socklen_t size = sizeof sender_;
    sender_ = {};
    const ssize_t received = recvfrom(owner_->socket_, scratch_.get(), kScratchLength, MSG_DONTWAIT | MSG_TRUNC,
                                      reinterpret_cast<sockaddr*>(&sender_), &size);
    if (received < 0) return false;
    // An empty datagram is not reported as data; the wake-up of a close, which
    // has no sender, not at all.
    if (received == 0) {
        if (owner_->onEmptyReceivedAssigned_ && sender_.sin_family == AF_INET && sender_.sin_port != 0) {
            Deliver(0, ntohs(sender_.sin_port), DottedAddress(sender_.sin_addr), false);
        }
        return true;
    }
    const std::size_t whole = static_cast<std::size_t>(received);
    const int kept = TUDPReceivePath::Store(*owner_, scratch_.get(), std::min(whole, kScratchLength));
    if (kept < 0) return false;
    lastCount_ = kept;
    owner_->replyState_ = 0;
    Deliver(kept, ntohs(sender_.sin_port), DottedAddress(sender_.sin_addr), whole > static_cast<std::size_t>(kept));
    return true;
}

void TUDPThread::WaitForDatagram(std::chrono::milliseconds time) {
    // A close shuts the socket's receiving side down, which ends this wait at once.
    pollfd ready{owner_->socket_, POLLIN, 0};
    poll(&ready, 1, static_cast<int>(time.count()));
}

int TUDPReceivePath::Store(TUDP& udp, const void* data, std::size_t size) {
    const std::uint16_t length = udp.bufferLength_;
    if (length == 0 || (data == nullptr && size > 0)) return -1;
    std::lock_guard<std::mutex> lock(udp.bufferMutex_);
    if (length != udp.receiveLength_ || !udp.receiveBuffer_) {
        udp.receiveBuffer_.reset();
        udp.receiveLength_ = 0;
        udp.receiveCount_ = 0;
        udp.receiveBuffer_.reset(new (std::nothrow) char[length]);
        if (!udp.receiveBuffer_) return -1;
        udp.receiveLength_ = length;
    }
    const std::size_t kept = std::min<std::size_t>(size, length - 1u);
    if (kept > 0) std::memcpy(udp.receiveBuffer_.get(), data, kept);
    udp.receiveBuffer_[kept] = '\0';
    udp.receiveCount_ = static_cast<int>(kept);
    return static_cast<int>(kept);
}

void TUDPThread::Deliver(int count, int port, const std::string& ip, bool cut) {
    {
        std::lock_guard<std::mutex> lock(sync_->mutex);
        sync_->delivery = TSync::Delivery::Pending;
    }
    TUDP* owner = owner_;
    std::shared_ptr<bool> alive = owner_->alive_;
    std::shared_ptr<TSync> sync = sync_;
    dispatcher_->Post(
        [owner, alive, sync, count, port, ip, cut] { RaiseDataReceived(owner, alive, sync, count, port, ip, cut); });
    sync_->changed.notify_all();

    // The buffer stays as it is until the handler has run, so that it can read
    // this datagram. A closer pumps the dispatcher, which runs a pending call;
    // a handler that closes the socket itself must not be waited for.
    std::unique_lock<std::mutex> lock(sync_->mutex);
    sync_->changed.wait(lock, [this] {
        return sync_->delivery == TSync::Delivery::Done ||
               (sync_->terminated && sync_->delivery == TSync::Delivery::Running);
    });
    if (sync_->delivery == TSync::Delivery::Done) sync_->delivery = TSync::Delivery::None;
}

void TUDPThread::RaiseDataReceived(TUDP* owner, const std::shared_ptr<bool>& alive, const std::shared_ptr<TSync>& sync,
                                   int count, int port, const std::string& ip, bool cut) {
    {
        std::lock_guard<std::mutex> lock(sync->mutex);
        if (sync->delivery != TSync::Delivery::Pending) return;
        sync->delivery = TSync::Delivery::Running;
    }
    // Marks the delivery done even when the handler throws, or the thread would wait forever.
    struct DoneOnExit {
        const std::shared_ptr<TSync>& sync;
        ~DoneOnExit() {
            {
                std::lock_guard<std::mutex> lock(sync->mutex);
                sync->delivery = TSync::Delivery::Done;
            }
            sync->changed.notify_all();
        }
    } done{sync};
    // A copy, because the handler may close or even destroy the component.
    TDataReceivedEvent handler = owner->onDataReceived_;
    // A datagram larger than the buffer is reported before its first part is handed out.
    if (cut) owner->RaiseError(EMSGSIZE);
    if (handler && count > 0 && *alive) handler(owner, count, port, ip);
    if (count == 0 && *alive) {
        TEmptyReceivedEvent empty = owner->onEmptyReceived_;
        if (empty) empty(owner, port, ip);
    }
}

TUDP::TUDP(TComponent* owner, TDispatcher* dispatcher)
    : TComponent(owner), dispatcher_(dispatcher), gate_(std::make_shared<TSocketGate>()) {}

TUDP::~TUDP() {
    // A handler that its own close ran may destroy the component: this close
    // then does the whole work, and the one that ran the handler stops.
    closing_ = false;
    CloseSocket();
    *alive_ = false;
}

int TUDP::CreateSocket() {
    if (socket_ != kNoSocket) return 0;
    // The thread could never deliver, and a sender would wait for its answer forever.
    if (useThread_ && dispatcher_ == nullptr) {
        RaiseErrorText(kNoDispatcherText);
        return 1;
    }
    const int startup = StartSocketLibrary(socketData_);
    if (startup != 0) return startup;
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        StopSocketLibrary();
        return 1;
    }
    socket_ = socket;
    SetBroadcasting(broadcasting_);
    // An interface that does not exist would leave a socket that never receives.
    const int bindError = Bind();
    if (bindError != 0) {
        ::close(socket_.exchange(kNoSocket));
        StopSocketLibrary();
        RaiseError(bindError);
        return 1;
    }
    SetReceiveTimeout(receiveTimeout_);

    // The thread follows the socket, so that a failed open leaves no thread behind.
    thread_ = std::make_unique<TUDPThread>(this, dispatcher_);
    threadRunning_ = 1;
    if (!thread_->Start()) {
        threadRunning_ = 0;
        thread_.reset();
        ::close(socket_.exchange(kNoSocket));
        StopSocketLibrary();
        return 1;
    }
    return 0;
}

void TUDP::CloseSocket() {
    if (socket_ == kNoSocket || closing_) return;
    closing_ = true;
    const std::shared_ptr<bool> alive = alive_;
    {
        std::lock_guard<std::mutex> lock(gate_->mutex);
        gate_->closing = true;
    }
    if (thread_) thread_->Terminate();
    // A receive waiting in the system, in the receive thread or in a blocking
    // ReceiveBuffer on another thread, would hold the port until the next
    // datagram came and then take it; shutting the receiving side down wakes it.
    ::shutdown(socket_, SHUT_RD);
    if (thread_) {
        TDispatcher* dispatcher = thread_->Dispatcher();
        while (threadRunning_) {
            if (dispatcher != nullptr) dispatcher->Pump();
            if (!*alive) return;
            thread_->WaitForChange(std::chrono::milliseconds(1));
        }
        thread_->Join();
        thread_.reset();
    }
    int socket = kNoSocket;
    {
        std::unique_lock<std::mutex> lock(gate_->mutex);
        gate_->left.wait(lock, [this] { return !gate_->OthersInside(); });
        socket = socket_.exchange(kNoSocket);
        gate_->closing = false;
    }
    ::close(socket);
    StopSocketLibrary();
    {
        std::lock_guard<std::mutex> lock(bufferMutex_);
        receiveBuffer_.reset();
        receiveLength_ = 0;
        receiveCount_ = 0;
    }
    closing_ = false;
}

bool TUDP::EnsureSocket() {
    if (socket_ == kNoSocket && active_) CreateSocket();
    return socket_ != kNoSocket;
}

int TUDP::ReceiveBuffer(void* buffer, int length, int& port, std::string& ip) {
    if (!EnsureSocket() || useThread_) return 0;
    if (length < 0 || (buffer == nullptr && length > 0)) {
        RaiseError(EINVAL);
        return 0;
    }
    // One byte stays for the terminating zero; no room means nothing to receive.
    if (length == 0) return 0;
    TSocketUse use(*this, true);
    if (use.Socket() == kNoSocket) return 0;
    SetSocketReceiveTimeout(use.Socket(), receiveTimeout_);
    const std::size_t room = static_cast<std::size_t>(length) - 1;
    sockaddr_in from{};
    ssize_t received = 0;
    int error = 0;
    for (;;) {
        const unsigned renewals = use.Renewals();
        socklen_t size = sizeof from;
        received = recvfrom(use.Socket(), buffer, room, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &size);
        error = errno;
        // Woken by a close: no datagram, and no failure either.
        if (use.Closing()) return 0;
        // Woken by a new binding: the wait goes on at the new port.
        if (received != 0 || use.Renewals() == renewals) break;
    }
    if (received <= 0) {
        errno = error;
        HandleError(static_cast<int>(received));
        return 0;
    }
    const std::size_t kept = std::min(static_cast<std::size_t>(received), room);
    static_cast<char*>(buffer)[kept] = '\0';
    peerAddress_ = from;
    port = ntohs(from.sin_port);
    ip = DottedAddress(from.sin_addr);
    // The handler may close or destroy the component; nothing of it is touched after.
    if (kept < static_cast<std::size_t>(received)) RaiseError(EMSGSIZE);
    return static_cast<int>(kept);
}

int TUDP::ReceiveBuffer(void* buffer, int length, int& port) {
    std::string ip;
    return ReceiveBuffer(buffer, length, port, ip);
}

int TUDP::ReadBuffer(void* buffer, int length, int count) {
    if (!SizesAllowed(buffer, length, count) || !useThread_ || buffer == nullptr) return 0;
    // The buffer's own length bounds the copy: BufferLength may already name
    // the size of the next buffer while this one still holds the datagram.
    std::lock_guard<std::mutex> lock(bufferMutex_);
    const int copied = std::min({length, count, receiveLength_, receiveCount_});
    if (copied <= 0 || !receiveBuffer_) return 0;
    std::memcpy(buffer, receiveBuffer_.get(), static_cast<std::size_t>(copied));
    return copied;
}

bool TUDP::SizesAllowed(const void* buffer, int length, int count) {
    if (length < 0 || count < 0 || (buffer == nullptr && std::min(length, count) > 0)) {
        RaiseError(EINVAL);
        return false;
    }
    return true;
}

int TUDP::SendTo(const in_addr& address, const void* buffer, int length, int count) {
    if (remotePort_ < 0 || remotePort_ > 65535) return 0;
    const int size = std::min(length, count);
    TSocketUse use(*this, false);
    if (use.Socket() == kNoSocket) return 0;
    peerAddress_.sin_family = AF_INET;
    peerAddress_.sin_port = htons(static_cast<std::uint16_t>(remotePort_));
    peerAddress_.sin_addr = address;
    const ssize_t sent = sendto(use.Socket(), buffer, static_cast<std::size_t>(size), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&peerAddress_), sizeof peerAddress_);
    if (sent == kSocketError) {
        HandleError(kSocketError);
        return 0;
    }
    if (useThread_) {
        replyDeadline_ = TickCount() + replyTimeout_;
        replyState_ = 1;
    }
    return static_cast<int>(sent);
}

bool TUDP::ReadyToSend(const void* buffer, int length, int count) {
    if (!EnsureSocket()) return false;
    // Misuse sends nothing at all, not an empty or a partial datagram.
    if (!SizesAllowed(buffer, length, count)) return false;
    if (std::min(length, count) > kLargestDatagram) {
        RaiseError(EMSGSIZE);
        return false;
    }
    peerAddress_ = sockaddr_in{};
    return true;
}

int TUDP::SendBuffer(const void* buffer, int length, int count) {
    if (!ReadyToSend(buffer, length, count)) return 0;
    in_addr address{};
    if (!ResolveHost(remoteHost_, address)) return 0;
    return SendTo(address, buffer, length, count);
}

int TUDP::Send(const std::string& text) {
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    return SendBuffer(text.data(), length, length) > 0 ? 1 : 0;
}

int TUDP::BroadcastBuffer(const void* buffer, int length, int count) {
    if (!ReadyToSend(buffer, length, count)) return 0;
    in_addr address{};
    if (inet_aton(broadcastAddress_.c_str(), &address) == 0) return 0;
    return SendTo(address, buffer, length, count);
}

int TUDP::Broadcast(const std::string& text) {
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    return BroadcastBuffer(text.data(), length, length);
}

void TUDP::SetReceiveTimeout(std::uint32_t ms) {
    receiveTimeout_ = useThread_ ? 1 : ms;
    if (socket_ != kNoSocket) ApplyReceiveTimeout();
}

void TUDP::ApplyReceiveTimeout() { SetSocketReceiveTimeout(socket_, receiveTimeout_); }

void TUDP::SetLocalPort(std::int32_t port) {
    localPort_ = std::clamp(port, 1024, 65535);
    if (socket_ != kNoSocket) SetBroadcastNIC(std::string(broadcastNIC_));
}

void TUDP::SetThreadInterval(std::uint16_t ms) { threadInterval_ = ms; }

void TUDP::SetBufferLength(std::uint16_t length) { bufferLength_ = length; }

void TUDP::SetBroadcasting(std::uint8_t flag) {
    broadcasting_ = flag;
    if (socket_ != kNoSocket) ApplyBroadcasting();
}

void TUDP::ApplyBroadcasting() {
    // The system takes the option as an int only; a single byte is refused.
    const int permitted = broadcasting_ != 0 ? 1 : 0;
    setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &permitted, sizeof permitted);
}

void TUDP::SetBroadcastNIC(const std::string& address) {
    broadcastNIC_ = address;
    if (socket_ == kNoSocket) {
        // Opening binds the new socket with this address.
        if (active_) CreateSocket();
        return;
    }
    // A bad address keeps the socket bound as it was.
    const int error = Bind();
    if (error != 0) RaiseError(error);
}

int TUDP::Bind() {
    if (localPort_ < 1024) localPort_ = 1024;
    in_addr local{};
    if (broadcastNIC_ == kAnyInterface) {
        local.s_addr = htonl(INADDR_ANY);
    } else if (inet_aton(broadcastNIC_.c_str(), &local) == 0 || !AddressIsLocal(local)) {
        // Checked before the socket is renewed, and not retried port by port:
        // no port would help.
        return EADDRNOTAVAIL;
    }
    if (!RenewSocket()) return 0;
    for (int attempt = 0; attempt < kBindAttempts; ++attempt) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(localPort_));
        address.sin_addr = local;
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 0;
        localPort_ = localPort_ >= 65535 ? 1024 : localPort_ + 1;
    }
    return 0;
}

bool TUDP::RenewSocket() {
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &size) != 0 || bound.sin_port == 0) return true;
    // A bound socket cannot be bound again. A fresh socket takes over the same
    // descriptor, which releases the old port while the receive thread keeps a
    // valid descriptor to read from; a receive still waiting on the old socket
    // is woken first, or it would hold the old port.
    const int fresh = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fresh < 0) return false;
    bool replaced = false;
    {
        // Under the gate's lock, so that a receive that counted the renewals
        // before either waits on the old socket, and is woken, or on the new one.
        std::lock_guard<std::mutex> lock(gate_->mutex);
        ++gate_->renewals;
        ::shutdown(socket_, SHUT_RD);
        replaced = dup3(fresh, socket_, O_CLOEXEC) >= 0;
    }
    ::close(fresh);
    if (!replaced) return false;
    ApplyBroadcasting();
    ApplyReceiveTimeout();
    return true;
}

void TUDP::SetActive(std::uint8_t flag) {
    if (flag == active_) return;
    active_ = flag;
    if (!active_) CloseSocket();
}

void TUDP::HandleError(int code) { RaiseError(code == kSocketError ? errno : 0); }

void TUDP::RaiseError(int error) {
    if (!onError_) return;
    RaiseErrorText(error != 0 ? SystemErrorText(error) : std::string("Keine Bytes empfangen/gesendet"));
}

void TUDP::RaiseErrorText(const std::string& message) {
    if (!onError_) return;
    TErrorEvent handler = onError_;
    handler(message);
}

void TUDP::SetUseThread(std::uint8_t flag) {
    // An open socket's thread delivers through the dispatcher it was opened with.
    if (flag != 0 && socket_ != kNoSocket && (!thread_ || thread_->Dispatcher() == nullptr)) {
        RaiseErrorText(kNoDispatcherText);
        return;
    }
    useThread_ = flag;
}

void TUDP::SetOnEmptyReceived(TEmptyReceivedEvent handler) {
    onEmptyReceived_ = std::move(handler);
    onEmptyReceivedAssigned_ = static_cast<bool>(onEmptyReceived_);
}

void TUDP::SetOnDataReceived(TDataReceivedEvent handler) {
    onDataReceived_ = std::move(handler);
    onDataReceivedAssigned_ = static_cast<bool>(onDataReceived_);
}

void TUDP::SetOnError(TErrorEvent handler) { onError_ = std::move(handler); }

void Register() {
    RegisterComponents("UDP", {TComponentClass{"TUDP", [](TComponent* owner) -> std::unique_ptr<TComponent> {
                                                   return std::make_unique<TUDP>(owner);
                                               }}});
}

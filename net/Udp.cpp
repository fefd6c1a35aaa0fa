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

namespace {

constexpr int kBindAttempts = 101;
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

void SetSocketReceiveTimeout(int socket, std::uint32_t ms) {
    timeval time{};
    time.tv_sec = static_cast<time_t>(ms / 1000);
    time.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &time, sizeof time);
}

}  // namespace

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
        const std::uint16_t interval = owner_->threadInterval_;
        if (interval != 0) Pause(std::chrono::milliseconds(interval));
        if (Terminated()) break;

        const std::uint16_t length = owner_->bufferLength_;
        if (!owner_->useThread_ || !owner_->onDataReceivedAssigned_ || length == 0 || dispatcher_ == nullptr) {
            // An idle thread without a pause would spin on a whole core.
            if (interval == 0) Pause(std::chrono::milliseconds(1));
            continue;
        }
        if (length != allocatedLength_ && !Reallocate(length)) {
            Pause(std::chrono::milliseconds(1));
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

        // Waiting in poll rather than in the socket's own time-out keeps the
        // loop responsive even when the time-out is 0, which means "forever".
        const int socket = owner_->socket_;
        pollfd ready{socket, POLLIN, 0};
        if (poll(&ready, 1, 1) <= 0 || (ready.revents & POLLIN) == 0) continue;

        int count = 0;
        {
            std::lock_guard<std::mutex> lock(owner_->bufferMutex_);
            socklen_t size = sizeof sender_;
            const ssize_t received = recvfrom(socket, owner_->receiveBuffer_.get(), allocatedLength_ - 1u, MSG_DONTWAIT,
                                              reinterpret_cast<sockaddr*>(&sender_), &size);
            count = static_cast<int>(received);
            if (count >= 0) {
                owner_->receiveBuffer_[count] = '\0';
                owner_->receiveCount_ = count;
            }
        }
        lastCount_ = count;
        if (count <= 0) continue;
        owner_->replyState_ = 0;
        Deliver(count, ntohs(sender_.sin_port), DottedAddress(sender_.sin_addr));
    }
}

bool TUDPThread::Reallocate(std::uint16_t length) {
    std::lock_guard<std::mutex> lock(owner_->bufferMutex_);
    owner_->receiveBuffer_.reset();
    owner_->receiveLength_ = 0;
    owner_->receiveCount_ = 0;
    allocatedLength_ = 0;
    owner_->receiveBuffer_.reset(new (std::nothrow) char[length]);
    if (!owner_->receiveBuffer_) return false;
    owner_->receiveLength_ = length;
    allocatedLength_ = length;
    return true;
}

void TUDPThread::Deliver(int count, int port, const std::string& ip) {
    {
        std::lock_guard<std::mutex> lock(sync_->mutex);
        sync_->delivery = TSync::Delivery::Pending;
    }
    TUDP* owner = owner_;
    std::shared_ptr<TSync> sync = sync_;
    dispatcher_->Post([owner, sync, count, port, ip] { RaiseDataReceived(owner, sync, count, port, ip); });
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

void TUDPThread::RaiseDataReceived(TUDP* owner, const std::shared_ptr<TSync>& sync, int count, int port,
                                   const std::string& ip) {
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
    if (handler) handler(owner, count, port, ip);
}

TUDP::TUDP(TComponent* owner, TDispatcher* dispatcher) : TComponent(owner), dispatcher_(dispatcher) {}

TUDP::~TUDP() { CloseSocket(); }

int TUDP::CreateSocket() {
    if (socket_ != kNoSocket) return 0;
    const int startup = StartSocketLibrary(socketData_);
    if (startup != 0) return startup;
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        StopSocketLibrary();
        return 1;
    }
    socket_ = socket;
    SetBroadcasting(broadcasting_);
    SetBroadcastNIC(std::string(broadcastNIC_));
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
    if (thread_) {
        thread_->Terminate();
        TDispatcher* dispatcher = thread_->Dispatcher();
        while (threadRunning_) {
            if (dispatcher != nullptr) dispatcher->Pump();
            thread_->WaitForChange(std::chrono::milliseconds(1));
        }
        thread_->Join();
        thread_.reset();
    }
    ::close(socket_.exchange(kNoSocket));
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
    // One byte stays for the terminating zero; no room means nothing to receive.
    if (buffer == nullptr || length <= 0) return 0;
    ApplyReceiveTimeout();
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t received =
        recvfrom(socket_, buffer, static_cast<std::size_t>(length) - 1, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (received <= 0) {
        HandleError(static_cast<int>(received));
        return 0;
    }
    static_cast<char*>(buffer)[received] = '\0';
    peerAddress_ = from;
    port = ntohs(from.sin_port);
    ip = DottedAddress(from.sin_addr);
    return static_cast<int>(received);
}

int TUDP::ReceiveBuffer(void* buffer, int length, int& port) {
    std::string ip;
    return ReceiveBuffer(buffer, length, port, ip);
}

int TUDP::ReadBuffer(void* buffer, int length, int count) {
    if (!useThread_ || buffer == nullptr) return 0;
    // The buffer's own length bounds the copy: BufferLength may already name
    // the size of the next buffer while this one still holds the datagram.
    std::lock_guard<std::mutex> lock(bufferMutex_);
    const int copied = std::min({length, count, receiveLength_, receiveCount_});
    if (copied <= 0 || !receiveBuffer_) return 0;
    std::memcpy(buffer, receiveBuffer_.get(), static_cast<std::size_t>(copied));
    return copied;
}

int TUDP::SendTo(const in_addr& address, const void* buffer, int length, int count) {
    if (remotePort_ < 0 || remotePort_ > 65535) return 0;
    const int size = std::max(0, std::min(length, count));
    if (buffer == nullptr && size > 0) return 0;
    peerAddress_.sin_family = AF_INET;
    peerAddress_.sin_port = htons(static_cast<std::uint16_t>(remotePort_));
    peerAddress_.sin_addr = address;
    const ssize_t sent = sendto(socket_, buffer, static_cast<std::size_t>(size), MSG_NOSIGNAL,
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

int TUDP::SendBuffer(const void* buffer, int length, int count) {
    if (!EnsureSocket()) return 0;
    peerAddress_ = sockaddr_in{};
    in_addr address{};
    if (!ResolveHost(remoteHost_, address)) return 0;
    return SendTo(address, buffer, length, count);
}

int TUDP::Send(const std::string& text) {
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    return SendBuffer(text.data(), length, length) > 0 ? 1 : 0;
}

int TUDP::BroadcastBuffer(const void* buffer, int length, int count) {
    if (!EnsureSocket()) return 0;
    peerAddress_ = sockaddr_in{};
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
    Bind();
}

void TUDP::Bind() {
    if (localPort_ < 1024) localPort_ = 1024;
    in_addr local{};
    if (broadcastNIC_ == kAnyInterface) {
        local.s_addr = htonl(INADDR_ANY);
    } else if (inet_aton(broadcastNIC_.c_str(), &local) == 0) {
        return;
    }
    if (!RenewSocket()) return;
    for (int attempt = 0; attempt < kBindAttempts; ++attempt) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(localPort_));
        address.sin_addr = local;
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return;
        localPort_ = localPort_ >= 65535 ? 1024 : localPort_ + 1;
    }
}

bool TUDP::RenewSocket() {
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &size) != 0 || bound.sin_port == 0) return true;
    // A bound socket cannot be bound again. A fresh socket takes over the same
    // descriptor, which releases the old port while the receive thread keeps a
    // valid descriptor to read from.
    const int fresh = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fresh < 0) return false;
    const bool replaced = dup3(fresh, socket_, O_CLOEXEC) >= 0;
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

void TUDP::HandleError(int code) {
    const int error = code == kSocketError ? errno : 0;
    if (!onError_) return;
    const std::string message = error != 0 ? SystemErrorText(error) : std::string("Keine Bytes empfangen/gesendet");
    TErrorEvent handler = onError_;
    handler(message);
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

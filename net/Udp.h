// TUDP: a non-visual component that sends and receives IPv4 datagrams, with an
// optional receive thread whose events arrive on the user-interface thread.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "net/Component.h"
#include "net/Dispatcher.h"

class TUDP;

using TDataReceivedEvent = std::function<void(TUDP* sender, int count, int port, const std::string& ip)>;
using TErrorEvent = std::function<void(const std::string& message)>;
using TEmptyReceivedEvent = std::function<void(TUDP* sender, int port, const std::string& ip)>;

// The socket library's start-up record; POSIX sockets need no start-up, so it
// only records the version that was asked for.
struct TSocketData {
    std::uint16_t version = 0;
    std::uint16_t highVersion = 0;
};

// The result of a failed socket call, as HandleError expects it.
inline constexpr int kSocketError = -1;
inline constexpr int kNoSocket = -1;

// The OnError text when UseThread is asked for but nothing could carry the
// events to the user-interface thread.
inline constexpr char kNoDispatcherText[] = "UseThread ohne Dispatcher: OnDataReceived kann nicht zugestellt werden";

// Receives for its owner while UseThread is set and hands each datagram to
// OnDataReceived on the user-interface thread, waiting until the handler ran.
class TUDPThread {
public:
    TUDPThread(TUDP* owner, TDispatcher* dispatcher);
    ~TUDPThread();
    TUDPThread(const TUDPThread&) = delete;
    TUDPThread& operator=(const TUDPThread&) = delete;

    bool Start();
    void Terminate();
    void Join();

    // Lets a closer sleep until the thread posts a call or ends.
    void WaitForChange(std::chrono::milliseconds timeout);

    TDispatcher* Dispatcher() const { return dispatcher_; }

private:
    struct TSync;

    void Execute();
    void Loop();
    bool Terminated();
    void Pause(std::chrono::milliseconds time);
    bool ReceiveOne();
    void WaitForDatagram(std::chrono::milliseconds time);
    void Deliver(int count, int port, const std::string& ip, bool cut);
    static void RaiseDataReceived(TUDP* owner, const std::shared_ptr<bool>& alive, const std::shared_ptr<TSync>& sync,
                                  int count, int port, const std::string& ip, bool cut);

    TUDP* owner_;
    TDispatcher* dispatcher_;
    int lastCount_ = 0;
    sockaddr_in sender_{};
    // Takes any datagram whole, so that one larger than BufferLength is noticed.
    std::unique_ptr<char[]> scratch_;
    std::shared_ptr<TSync> sync_;
    std::thread thread_;
};

class TUDP : public TComponent {
public:
    // The dispatcher carries OnDataReceived to the user-interface thread; it
    // must outlive the component. Without one, UseThread cannot be used.
    explicit TUDP(TComponent* owner, TDispatcher* dispatcher = nullptr);
    ~TUDP() override;

    int CreateSocket();
    void CloseSocket();

    int ReceiveBuffer(void* buffer, int length, int& port, std::string& ip);
    int ReceiveBuffer(void* buffer, int length, int& port);
    int ReadBuffer(void* buffer, int length, int count);
    int SendBuffer(const void* buffer, int length, int count);
    int Send(const std::string& text);
    int BroadcastBuffer(const void* buffer, int length, int count);
    int Broadcast(const std::string& text);

    void SetReceiveTimeout(std::uint32_t ms);
    void SetLocalPort(std::int32_t port);
    void SetThreadInterval(std::uint16_t ms);
    void SetBufferLength(std::uint16_t length);
    void SetBroadcasting(std::uint8_t flag);
    void SetBroadcastNIC(const std::string& address);
    void SetActive(std::uint8_t flag);

    void HandleError(int code);

    void SetOnDataReceived(TDataReceivedEvent handler);
    void SetOnError(TErrorEvent handler);
    // An empty datagram, which OnDataReceived never reports, for a user that
    // answers every datagram (the thread only); an addition of this host.
    void SetOnEmptyReceived(TEmptyReceivedEvent handler);
    // Refused with an error while a socket is open without a dispatcher.
    void SetUseThread(std::uint8_t flag);
    void SetReplyTimeout(std::uint32_t ms) { replyTimeout_ = ms; }
    void SetBroadcastAddress(const std::string& address) { broadcastAddress_ = address; }
    void SetRemotePort(std::int32_t port) { remotePort_ = port; }
    void SetRemoteHost(const std::string& host) { remoteHost_ = host; }
    // Takes effect when the socket is opened next.
    void SetDispatcher(TDispatcher* dispatcher) { dispatcher_ = dispatcher; }

    std::uint16_t BufferLength() const { return bufferLength_; }
    std::uint16_t ThreadInterval() const { return threadInterval_; }
    std::uint8_t UseThread() const { return useThread_; }
    std::uint32_t ReceiveTimeout() const { return receiveTimeout_; }
    std::uint8_t Broadcasting() const { return broadcasting_; }
    std::uint8_t ReplyState() const { return replyState_; }
    std::uint32_t ReplyTimeout() const { return replyTimeout_; }
    const std::string& BroadcastAddress() const { return broadcastAddress_; }
    std::int32_t RemotePort() const { return remotePort_; }
    const std::string& RemoteHost() const { return remoteHost_; }
    const std::string& BroadcastNIC() const { return broadcastNIC_; }
    std::int32_t LocalPort() const { return localPort_; }
    std::uint8_t Active() const { return active_; }
    std::uint8_t ThreadRunning() const { return threadRunning_; }
    bool HasSocket() const { return socket_ != kNoSocket; }

private:
    friend class TUDPThread;
    friend struct TUDPReceivePath;
    struct TSocketGate;
    class TSocketUse;

    bool EnsureSocket();
    int Bind();
    bool RenewSocket();
    void ApplyBroadcasting();
    void ApplyReceiveTimeout();
    // Opens the socket on demand and checks the sizes; a datagram that may go clears the peer address.
    bool ReadyToSend(const void* buffer, int length, int count);
    int SendTo(const in_addr& address, const void* buffer, int length, int count);
    bool SizesAllowed(const void* buffer, int length, int count);
    void RaiseError(int error);
    void RaiseErrorText(const std::string& message);

    TSocketData socketData_;
    std::atomic<int> socket_{kNoSocket};
    sockaddr_in peerAddress_{};
    TDataReceivedEvent onDataReceived_;
    TErrorEvent onError_;
    TEmptyReceivedEvent onEmptyReceived_;
    std::atomic<bool> onEmptyReceivedAssigned_{false};
    std::atomic<std::uint16_t> bufferLength_{8192};
    std::atomic<std::uint16_t> threadInterval_{10};
    // Written by the receive thread and copied by ReadBuffer, always under bufferMutex_.
    std::unique_ptr<char[]> receiveBuffer_;
    std::atomic<std::uint8_t> useThread_{0};
    std::atomic<std::uint32_t> receiveTimeout_{1};
    std::uint8_t broadcasting_ = 0;
    std::atomic<std::uint8_t> replyState_{0};
    std::atomic<std::uint32_t> replyTimeout_{1};
    std::string broadcastAddress_ = "255.255.255.255";
    std::int32_t remotePort_ = 0;
    std::string remoteHost_ = "0.0.0.0";
    std::string broadcastNIC_ = "255.255.255.255";
    std::int32_t localPort_ = 0;
    std::atomic<std::uint32_t> replyDeadline_{0};
    std::uint8_t active_ = 0;
    std::atomic<std::uint8_t> threadRunning_{0};
    std::unique_ptr<TUDPThread> thread_;

    std::mutex bufferMutex_;
    int receiveLength_ = 0;
    int receiveCount_ = 0;
    std::atomic<bool> onDataReceivedAssigned_{false};
    TDispatcher* dispatcher_;
    bool closing_ = false;
    // Calls that use the socket from any thread; a close waits until they have left.
    std::shared_ptr<TSocketGate> gate_;
    // Cleared by the destructor, so that a close whose handler destroyed the
    // component stops touching it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Enters TUDP on the palette page "UDP".
void Register();

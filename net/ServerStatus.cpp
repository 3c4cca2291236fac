#include <windows.h>
#include <winsock2.h>

#include "net/ServerStatus.h"

#include "app/Handles.h"
#include "net/LongWork.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kValue17Offset = 17;
constexpr size_t kVehicleClassOffset = 25;
constexpr size_t kText45Offset = 45;
constexpr size_t kTrackOffset = 73;
constexpr size_t kText105Offset = 105;
constexpr size_t kByte206Offset = 206;
constexpr size_t kDriverCountOffset = 207;
constexpr size_t kByte208Offset = 208;
constexpr size_t kByte209Offset = 209;
constexpr size_t kSessionOffset = 210;
constexpr size_t kByte211Offset = 211;
constexpr size_t kSessionTimeOffset = 217;
constexpr size_t kLapsOffset = 219;
constexpr int kSessionShift = 5;
constexpr int kLapsScale = 16;

using ReplyBuffer = unsigned char[kStatusReplyBufferSize];

int Byte(const ReplyBuffer& reply, size_t offset) { return reply[offset]; }

int Word(const ReplyBuffer& reply, size_t offset) { return reply[offset] | (reply[offset + 1] << 8); }

// The buffer keeps a zero after the largest reply, so every text ends inside it.
std::string Text(const ReplyBuffer& reply, size_t offset) { return reinterpret_cast<const char*>(reply + offset); }

ServerStatus Decode(const ReplyBuffer& reply)
{
    ServerStatus status;
    status.value17 = Word(reply, kValue17Offset);
    status.text45 = Text(reply, kText45Offset);
    status.text105 = Text(reply, kText105Offset);
    status.vehicleClass = Text(reply, kVehicleClassOffset);
    status.track = Text(reply, kTrackOffset);
    status.sessionNumber = Byte(reply, kSessionOffset) >> kSessionShift;
    status.sessionTime = Word(reply, kSessionTimeOffset);
    status.lapsValue = Word(reply, kLapsOffset) / kLapsScale;
    status.driverCount = Byte(reply, kDriverCountOffset);
    status.byte208 = Byte(reply, kByte208Offset);
    status.byte209 = Byte(reply, kByte209Offset);
    status.byte211 = Byte(reply, kByte211Offset);
    status.byte206 = Byte(reply, kByte206Offset);
    return status;
}

class WinsockSession {
public:
    WinsockSession()
    {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession()
    {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

class Socket {
public:
    explicit Socket(SOCKET s) : socket_(s) {}
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return socket_; }
    bool valid() const { return socket_ != INVALID_SOCKET; }
    void Close()
    {
        if (valid()) closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }

private:
    SOCKET socket_;
};

// Room for any datagram, so that one too large to be a reply is seen whole
// and refused rather than cut.
constexpr int kDatagramBufferSize = 65536;

bool TargetAddress(const StatusTarget& target, sockaddr_in& address)
{
    if (target.port <= 0 || target.port > 0xFFFF || target.host.empty()) return false;
    address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(target.port));
    address.sin_addr.s_addr = inet_addr(target.host.c_str());
    return address.sin_addr.s_addr != INADDR_NONE;
}

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

class Deadline {
public:
    explicit Deadline(unsigned milliseconds)
    {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&end_);
        end_.QuadPart += frequency_.QuadPart * milliseconds / 1000;
    }
    // Milliseconds left, rounded up; 0 once passed.
    long RemainingMs() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const long long left = end_.QuadPart - now.QuadPart;
        return left <= 0 ? 0 : static_cast<long>((left * 1000 + frequency_.QuadPart - 1) / frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER end_;
};

} // namespace

void StoreStatusReply(const std::string& dataFolder, const std::string& reply)
{
    std::string path = dataFolder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += kStatusReplyFileName;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
}

ServerStatus DecodeServerStatus(const std::string& reply)
{
    ReplyBuffer buffer = {};
    std::memcpy(buffer, reply.data(), std::min<size_t>(reply.size(), kStatusReplyMaxSize));
    return Decode(buffer);
}

std::vector<StatusReply> AskServersAtOnce(const std::vector<StatusTarget>& targets)
{
    std::vector<StatusReply> replies(targets.size());
    if (targets.empty()) return replies;
    WinsockSession winsock;
    if (!winsock.started()) return replies;
    Socket udp(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!udp.valid()) return replies;
    DWORD timeout = kStatusTimeoutMs;
    setsockopt(udp.get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));

    std::vector<sockaddr_in> addresses(targets.size());
    std::vector<bool> waiting(targets.size(), false);
    size_t waitingCount = 0;
    for (size_t i = 0; i < targets.size(); ++i) {
        if (!TargetAddress(targets[i], addresses[i])) continue;
        // A second target at the same address shares the first one's request.
        bool alreadyAsked = false;
        for (size_t j = 0; j < i && !alreadyAsked; ++j)
            alreadyAsked = waiting[j] && SameEndpoint(addresses[j], addresses[i]);
        if (!alreadyAsked &&
            sendto(udp.get(), kStatusRequest, sizeof(kStatusRequest), 0,
                   reinterpret_cast<const sockaddr*>(&addresses[i]), sizeof(addresses[i])) == SOCKET_ERROR)
            continue;
        waiting[i] = true;
        ++waitingCount;
    }

    std::vector<char> datagram(kDatagramBufferSize);
    const Deadline deadline(kStatusTimeoutMs);
    while (waitingCount > 0) {
        const long left = deadline.RemainingMs();
        if (left <= 0) break;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(udp.get(), &readable);
        // Short waits, so the windows are looked after in between.
        const long slice = std::min<long>(left, kPumpIntervalMs);
        timeval wait = {slice / 1000, (slice % 1000) * 1000};
        const int ready = select(0, &readable, nullptr, nullptr, &wait);
        KeepResponsive();
        if (ready < 0) break;
        if (ready == 0) continue;

        sockaddr_in sender = {};
        int senderSize = sizeof(sender);
        const int received = recvfrom(udp.get(), datagram.data(), kDatagramBufferSize, 0,
                                      reinterpret_cast<sockaddr*>(&sender), &senderSize);
        // An error here belongs to one datagram (a port-unreachable report
        // for one server, say); the others may still answer.
        if (received == SOCKET_ERROR) continue;
        for (size_t i = 0; i < targets.size(); ++i) {
            if (!waiting[i] || !SameEndpoint(addresses[i], sender)) continue;
            waiting[i] = false;
            --waitingCount;
            if (received <= kStatusReplyMaxSize) {
                replies[i].answered = true;
                replies[i].bytes.assign(datagram.data(), static_cast<size_t>(received));
            }
        }
    }
    return replies;
}

bool QueryServerStatus(const std::string& host, int port, const std::string& dataFolder, ServerStatus& status)
{
    const StatusReply reply = AskServersAtOnce({StatusTarget{host, port}}).front();
    if (!reply.answered) return false;
    StoreStatusReply(dataFolder, reply.bytes);
    status = DecodeServerStatus(reply.bytes);
    return true;
}

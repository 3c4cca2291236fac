#include <windows.h>
#include <winsock2.h>

#include "net/ServerStatus.h"

#include "app/Handles.h"

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

void StoreReply(const std::string& dataFolder, const ReplyBuffer& reply, int size)
{
    std::string path = dataFolder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += kStatusReplyFileName;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), reply, static_cast<DWORD>(size), &written, nullptr);
}

} // namespace

ServerStatus DecodeServerStatus(const std::string& reply)
{
    ReplyBuffer buffer = {};
    std::memcpy(buffer, reply.data(), std::min<size_t>(reply.size(), kStatusReplyMaxSize));
    return Decode(buffer);
}

bool QueryServerStatus(const std::string& host, int port, const std::string& dataFolder, ServerStatus& status)
{
    if (port <= 0 || port > 0xFFFF) return false;

    WinsockSession winsock;
    if (!winsock.started()) return false;

    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(host.c_str());
    if (host.empty() || address.sin_addr.s_addr == INADDR_NONE) return false;

    Socket udp(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!udp.valid()) return false;

    DWORD timeout = kStatusTimeoutMs;
    setsockopt(udp.get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    setsockopt(udp.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));

    if (sendto(udp.get(), kStatusRequest, sizeof(kStatusRequest), 0, reinterpret_cast<const sockaddr*>(&address),
               sizeof(address)) == SOCKET_ERROR)
        return false;

    ReplyBuffer reply = {};
    sockaddr_in sender = {};
    int senderSize = sizeof(sender);
    int received = recvfrom(udp.get(), reinterpret_cast<char*>(reply), kStatusReplyMaxSize, 0,
                            reinterpret_cast<sockaddr*>(&sender), &senderSize);
    udp.Close();
    if (received == SOCKET_ERROR) return false;

    StoreReply(dataFolder, reply, received);
    status = Decode(reply);
    return true;
}

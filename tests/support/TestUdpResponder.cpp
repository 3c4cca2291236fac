#include "tests/support/TestUdpResponder.h"

namespace {
constexpr int kPollMs = 20;
constexpr int kMaxDatagram = 65536;
}

bool TestUdpResponder::Start(unsigned short port)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    winsockStarted_ = true;

    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_ == INVALID_SOCKET) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
        return false;
    }
    int size = sizeof(address);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);

    replySocket_ = socket_;
    if (replyFromAnotherPort_) {
        replySocket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        address.sin_port = 0;
        if (replySocket_ == INVALID_SOCKET ||
            bind(replySocket_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR)
            return false;
    }

    stopping_ = false;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void TestUdpResponder::Stop()
{
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (replySocket_ != INVALID_SOCKET && replySocket_ != socket_) closesocket(replySocket_);
    replySocket_ = INVALID_SOCKET;
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (winsockStarted_) WSACleanup();
    winsockStarted_ = false;
}

void TestUdpResponder::ReplyWith(const std::string& reply)
{
    std::lock_guard<std::mutex> guard(lock_);
    reply_ = reply;
    silent_ = false;
}

void TestUdpResponder::StaySilent()
{
    std::lock_guard<std::mutex> guard(lock_);
    silent_ = true;
}

std::vector<std::string> TestUdpResponder::Received() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

void TestUdpResponder::Loop()
{
    std::vector<char> buffer(kMaxDatagram);
    while (!stopping_) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        timeval wait = {0, kPollMs * 1000};
        if (select(0, &set, nullptr, nullptr, &wait) <= 0) continue;

        sockaddr_in sender = {};
        int senderSize = sizeof(sender);
        int got = recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                           reinterpret_cast<sockaddr*>(&sender), &senderSize);
        if (got < 0) continue;

        std::string reply;
        bool silent;
        {
            std::lock_guard<std::mutex> guard(lock_);
            received_.emplace_back(buffer.data(), static_cast<size_t>(got));
            silent = silent_;
            reply = reply_;
        }
        if (!silent)
            sendto(replySocket_, reply.data(), static_cast<int>(reply.size()), 0, reinterpret_cast<const sockaddr*>(&sender),
                   senderSize);
    }
}

StatusReplyBuilder& StatusReplyBuilder::Text(size_t offset, const std::string& text)
{
    for (size_t i = 0; i < text.size() && offset + i < bytes_.size(); ++i) bytes_[offset + i] = text[i];
    if (offset + text.size() < bytes_.size()) bytes_[offset + text.size()] = '\0';
    return *this;
}

StatusReplyBuilder& StatusReplyBuilder::Byte(size_t offset, unsigned value)
{
    if (offset < bytes_.size()) bytes_[offset] = static_cast<char>(value & 0xFF);
    return *this;
}

StatusReplyBuilder& StatusReplyBuilder::Word(size_t offset, unsigned value)
{
    Byte(offset, value & 0xFF);
    return Byte(offset + 1, (value >> 8) & 0xFF);
}

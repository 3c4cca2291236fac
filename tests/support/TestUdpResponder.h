#pragma once
#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A UDP endpoint on 127.0.0.1 on a thread of the test process: it records
// every datagram it gets and answers each with a fixed reply, or stays silent.
class TestUdpResponder {
public:
    TestUdpResponder() = default;
    ~TestUdpResponder() { Stop(); }
    TestUdpResponder(const TestUdpResponder&) = delete;
    TestUdpResponder& operator=(const TestUdpResponder&) = delete;

    // port 0 takes any free port; see Port().
    bool Start(unsigned short port = 0);
    void Stop();
    unsigned short Port() const { return port_; }

    void ReplyWith(const std::string& reply);
    void StaySilent();
    // Sends the replies from a second socket on another port of the same
    // address, as a forger would (call before Start).
    void ReplyFromAnotherPort() { replyFromAnotherPort_ = true; }

    std::vector<std::string> Received() const;

private:
    void Loop();

    SOCKET socket_ = INVALID_SOCKET;
    SOCKET replySocket_ = INVALID_SOCKET;  // socket_ unless replies come from another port
    bool replyFromAnotherPort_ = false;
    bool winsockStarted_ = false;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;

    mutable std::mutex lock_;
    bool silent_ = true;
    std::string reply_;
    std::vector<std::string> received_;
};

// Builds a race server's status reply: fields placed at their offsets in a
// datagram of the given size, everything else zero.
class StatusReplyBuilder {
public:
    explicit StatusReplyBuilder(size_t size = 240) : bytes_(size, '\0') {}
    StatusReplyBuilder& Text(size_t offset, const std::string& text);  // with its zero when it fits
    StatusReplyBuilder& Byte(size_t offset, unsigned value);
    StatusReplyBuilder& Word(size_t offset, unsigned value);           // little-endian
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

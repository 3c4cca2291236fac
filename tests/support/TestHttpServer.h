#pragma once
#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 running on threads of the test
// process. Each target (path with query) is given a canned response; unknown
// targets get a 404 page with a length.
class TestHttpServer {
public:
    struct Response {
        int status = 200;
        std::string body;
        bool sendContentLength = true;          // false: no length, the connection closes after the body
        size_t announcedLength = std::string::npos;  // Content-Length to announce; npos: the body's size
        size_t cutAfter = std::string::npos;    // close the connection when the body reaches this position
        bool resetOnCut = false;                // cut with a reset instead of an orderly close
        bool chunked = false;                   // the body as one chunk; a cut then sends a broken chunk header
        std::string userName;                   // when set, ask for Basic credentials and check them
        std::string password;
        std::string location;                   // sent as the Location header
        bool silent = false;                    // take the request and never answer it
        size_t stallAfter = std::string::npos;  // fall silent, connection open, after this many body bytes
        std::string etag;                       // when set: sent with "Accept-Ranges: bytes", and ranges served
        size_t bytesPerSecond = 0;              // pace the body at this rate (0: at once)
    };
    struct Request {
        std::string method;
        std::string target;
        std::string headers;       // raw header lines
        std::string authorization; // value of the Authorization header, if any
        unsigned short localPort = 0;
    };

    TestHttpServer() = default;
    ~TestHttpServer() { Stop(); }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Listens on 127.0.0.1:port; false when the port cannot be bound.
    bool Start(unsigned short port = 80);
    void Stop();

    void Serve(const std::string& target, const Response& response);
    void Serve(const std::string& target, const std::string& body);

    std::vector<Request> Requests() const;

private:
    void AcceptLoop();
    void ServeConnection(SOCKET connection);
    bool SendResponse(SOCKET connection, const Request& request);
    Response Lookup(const std::string& target) const;

    SOCKET listener_ = INVALID_SOCKET;
    bool winsockStarted_ = false;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;

    mutable std::mutex lock_;
    std::map<std::string, Response> responses_;
    std::vector<Request> requests_;
    std::vector<std::thread> connectionThreads_;
};

// A body of count bytes with a repeating, position-dependent pattern, so a
// shifted or truncated copy never compares equal.
std::string PatternBody(size_t count);

std::string Base64(const std::string& text);

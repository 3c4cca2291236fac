#include "tests/support/TestHttpServer.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPollMs = 20;
constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kSendChunk = 64 * 1024;

// Waits up to kPollMs for the socket to become readable.
bool Readable(SOCKET s)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait = {0, kPollMs * 1000};
    return select(0, &set, nullptr, nullptr, &wait) > 0;
}

// Keeps a connection open and silent until the server stops.
void StaySilent(const std::atomic<bool>& stopping)
{
    while (!stopping) Sleep(kPollMs);
}

bool SendAll(SOCKET s, const char* data, size_t size)
{
    while (size > 0) {
        int chunk = static_cast<int>(std::min(size, kSendChunk));
        int sent = send(s, data, chunk, 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// Sends at bytesPerSecond, in small steps, until done or the server stops.
bool SendPaced(SOCKET s, const char* data, size_t size, size_t bytesPerSecond, const std::atomic<bool>& stopping)
{
    if (bytesPerSecond == 0) return SendAll(s, data, size);
    const size_t step = std::max<size_t>(1, bytesPerSecond * kPollMs / 1000);
    while (size > 0 && !stopping) {
        const size_t chunk = std::min(size, step);
        if (!SendAll(s, data, chunk)) return false;
        data += chunk;
        size -= chunk;
        Sleep(kPollMs);
    }
    return size == 0;
}

std::string HeaderValue(const std::string& headers, const std::string& name)
{
    size_t pos = 0;
    while (pos < headers.size()) {
        size_t end = headers.find("\r\n", pos);
        if (end == std::string::npos) end = headers.size();
        std::string line = headers.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos && _stricmp(line.substr(0, colon).c_str(), name.c_str()) == 0) {
            size_t start = line.find_first_not_of(' ', colon + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
        pos = end + 2;
    }
    return std::string();
}

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 500: return "Internal Server Error";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    default: return "Status";
    }
}

} // namespace

std::string PatternBody(size_t count)
{
    std::string body(count, '\0');
    for (size_t i = 0; i < count; ++i) body[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
    return body;
}

std::string Base64(const std::string& text)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        unsigned v = (static_cast<unsigned char>(text[i]) << 16) | (static_cast<unsigned char>(text[i + 1]) << 8) |
                     static_cast<unsigned char>(text[i + 2]);
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += digits[(v >> 6) & 63];
        out += digits[v & 63];
    }
    if (i < text.size()) {
        unsigned v = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size()) v |= static_cast<unsigned char>(text[i + 1]) << 8;
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += i + 1 < text.size() ? digits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool TestHttpServer::Start(unsigned short port)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    winsockStarted_ = true;

    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return false;
    // Earlier tests leave connections in TIME_WAIT on the same port.
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));

    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR ||
        listen(listener_, SOMAXCONN) == SOCKET_ERROR) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }

    stopping_ = false;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void TestHttpServer::Stop()
{
    stopping_ = true;
    if (acceptThread_.joinable()) acceptThread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(lock_);
        threads.swap(connectionThreads_);
    }
    for (std::thread& t : threads) t.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
    if (winsockStarted_) WSACleanup();
    winsockStarted_ = false;
}

void TestHttpServer::Serve(const std::string& target, const Response& response)
{
    std::lock_guard<std::mutex> guard(lock_);
    responses_[target] = response;
}

void TestHttpServer::Serve(const std::string& target, const std::string& body)
{
    Response response;
    response.body = body;
    Serve(target, response);
}

std::vector<TestHttpServer::Request> TestHttpServer::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

TestHttpServer::Response TestHttpServer::Lookup(const std::string& target) const
{
    std::lock_guard<std::mutex> guard(lock_);
    auto found = responses_.find(target);
    if (found != responses_.end()) return found->second;
    Response missing;
    missing.status = 404;
    missing.body = "<html><body>404 Not Found: " + target + "</body></html>";
    return missing;
}

void TestHttpServer::AcceptLoop()
{
    while (!stopping_) {
        if (!Readable(listener_)) continue;
        SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) continue;
        std::lock_guard<std::mutex> guard(lock_);
        connectionThreads_.emplace_back([this, connection] { ServeConnection(connection); });
    }
}

void TestHttpServer::ServeConnection(SOCKET connection)
{
    sockaddr_in local = {};
    int localSize = sizeof(local);
    getsockname(connection, reinterpret_cast<sockaddr*>(&local), &localSize);

    std::string pending;
    bool open = true;
    while (open && !stopping_) {
        size_t headerEnd = pending.find("\r\n\r\n");
        if (headerEnd == std::string::npos) {
            if (pending.size() > kMaxHeaderBytes || !Readable(connection)) {
                if (pending.size() > kMaxHeaderBytes) break;
                continue;
            }
            char chunk[4096];
            int got = recv(connection, chunk, sizeof(chunk), 0);
            if (got <= 0) break;
            pending.append(chunk, static_cast<size_t>(got));
            continue;
        }

        Request request;
        std::string head = pending.substr(0, headerEnd);
        pending.erase(0, headerEnd + 4);
        size_t lineEnd = head.find("\r\n");
        std::string requestLine = head.substr(0, lineEnd);
        request.headers = lineEnd == std::string::npos ? std::string() : head.substr(lineEnd + 2);
        size_t space1 = requestLine.find(' ');
        size_t space2 = requestLine.find(' ', space1 + 1);
        request.method = requestLine.substr(0, space1);
        request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
        request.authorization = HeaderValue(request.headers, "Authorization");
        request.localPort = ntohs(local.sin_port);
        {
            std::lock_guard<std::mutex> guard(lock_);
            requests_.push_back(request);
        }
        open = SendResponse(connection, request);
    }
    closesocket(connection);
}

bool TestHttpServer::SendResponse(SOCKET connection, const Request& request)
{
    Response response = Lookup(request.target);
    if (response.silent) {
        StaySilent(stopping_);
        return false;
    }

    if (!response.userName.empty() &&
        request.authorization != "Basic " + Base64(response.userName + ":" + response.password)) {
        const std::string page = "<html><body>401 Unauthorized</body></html>";
        std::string head = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"league\"\r\n"
                           "Content-Type: text/html\r\nContent-Length: " +
                           std::to_string(page.size()) + "\r\n\r\n";
        return SendAll(connection, head.data(), head.size()) && SendAll(connection, page.data(), page.size());
    }

    // A range of a file with an entity tag, while the tag still matches.
    size_t from = 0;
    const size_t size = response.body.size();
    if (!response.etag.empty()) {
        const std::string ifRange = HeaderValue(request.headers, "If-Range");
        if (std::sscanf(HeaderValue(request.headers, "Range").c_str(), "bytes=%zu-", &from) != 1 || from >= size ||
            (!ifRange.empty() && ifRange != response.etag))
            from = 0;
    }
    const bool cut = response.cutAfter != std::string::npos && response.cutAfter > from;
    const bool closeAfter = cut || !response.sendContentLength;
    const int status = from ? 206 : response.status;
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
    head += "Content-Type: application/octet-stream\r\n";
    if (!response.location.empty()) head += "Location: " + response.location + "\r\n";
    if (!response.etag.empty()) head += "ETag: " + response.etag + "\r\nAccept-Ranges: bytes\r\n";
    if (from) head += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                      std::to_string(size) + "\r\n";
    if (response.sendContentLength) {
        size_t length = response.announcedLength != std::string::npos ? response.announcedLength : size - from;
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    if (response.chunked) head += "Transfer-Encoding: chunked\r\n";
    if (closeAfter) head += "Connection: close\r\n";
    head += "\r\n";

    size_t bodyBytes = (cut ? std::min(response.cutAfter, size) : size) - from;
    if (!SendAll(connection, head.data(), head.size())) return false;
    if (response.chunked) {
        char sizeLine[32];
        std::snprintf(sizeLine, sizeof(sizeLine), "%zx\r\n", bodyBytes);
        std::string chunk = sizeLine + response.body.substr(0, bodyBytes) + "\r\n";
        chunk += cut ? "not a chunk size\r\n" : "0\r\n\r\n";
        if (!SendAll(connection, chunk.data(), chunk.size())) return false;
    } else if (response.stallAfter != std::string::npos) {
        SendAll(connection, response.body.data(), std::min(response.stallAfter, bodyBytes));
        StaySilent(stopping_);
        return false;
    } else if (!SendPaced(connection, response.body.data() + from, bodyBytes, response.bytesPerSecond, stopping_)) {
        return false;
    }
    if (closeAfter) {
        if (response.resetOnCut) {
            linger hard = {1, 0};
            setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
        } else {
            shutdown(connection, SD_SEND);
        }
        return false;
    }
    return true;
}

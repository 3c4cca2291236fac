#include "net/Download.h"

#include "app/Handles.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "net/ErrorText.h"
#include "net/ReceiveFile.h"
#include "net/StatusPopup.h"

#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr char kUserAgent[] = "ZANT Launcher";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kContentLengthBufferSize = 32;
constexpr size_t kSizeLineUrlTail = 32;
constexpr size_t kProgressUrlTail = 40;
constexpr DWORD kAfterDispatchSleepMs = 10;
constexpr DWORD kHeaderBufferSize = 256;
constexpr DWORD kStatusPermanentRedirect = 308;

std::string Tail(const std::string& text, size_t count)
{
    return text.size() > count ? text.substr(text.size() - count) : text;
}

void Fail(const std::string& message)
{
    ShowStatus(false);
    ShowMessage(message, MB_OK | MB_ICONSTOP);
}

void DispatchWaitingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Sleep(kAfterDispatchSleepMs);
}

struct UrlParts {
    std::string host;
    std::string object;  // path with query
};

// Canonicalises the url as a browser would and splits it; the scheme and any
// port written in it are not used.
bool SplitUrl(const std::string& url, UrlParts& parts)
{
    std::vector<char> canonical(INTERNET_MAX_URL_LENGTH + 1);
    DWORD length = static_cast<DWORD>(canonical.size());
    if (!InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &length, 0)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        canonical.resize(length + 1);
        length = static_cast<DWORD>(canonical.size());
        if (!InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &length, 0)) return false;
    }

    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    components.dwHostNameLength = 1;
    components.dwUrlPathLength = 1;
    components.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(canonical.data(), 0, 0, &components)) return false;

    if (components.lpszHostName) parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    if (components.lpszUrlPath) parts.object.assign(components.lpszUrlPath, components.dwUrlPathLength);
    if (components.lpszExtraInfo) parts.object.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    if (parts.object.empty()) parts.object = "/";
    return true;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsRedirect(DWORD status)
{
    return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT || status == HTTP_STATUS_REDIRECT_METHOD ||
           status == HTTP_STATUS_REDIRECT_KEEP_VERB || status == kStatusPermanentRedirect;
}

DWORD StatusCode(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
    return status;
}

// A header of the answer as text, empty when it is missing.
std::string QueryText(HINTERNET request, DWORD header)
{
    std::vector<char> text(kHeaderBufferSize);
    DWORD size = static_cast<DWORD>(text.size());
    if (!HttpQueryInfoA(request, header, text.data(), &size, nullptr)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::string();
        text.resize(size + 1);
        size = static_cast<DWORD>(text.size());
        if (!HttpQueryInfoA(request, header, text.data(), &size, nullptr)) return std::string();
    }
    return std::string(text.data(), size);
}

// A redirect's address may be relative to the one that was asked for.
std::string CombineUrl(const std::string& base, const std::string& relative)
{
    std::vector<char> combined(INTERNET_MAX_URL_LENGTH + 1);
    DWORD length = static_cast<DWORD>(combined.size());
    if (!InternetCombineUrlA(base.c_str(), relative.c_str(), combined.data(), &length, 0)) return relative;
    return std::string(combined.data(), length);
}

// A server that accepts the connection and then falls silent must not hold
// the launcher for good. The time-outs belong on the request handle: the
// session's are not passed on everywhere.
void SetIdleTimeout(HINTERNET request, DWORD milliseconds)
{
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(request, option, &milliseconds, sizeof(milliseconds));
}

// The start of an error page, for a caller that tells the user what it says.
std::string ReadErrorBody(HINTERNET request)
{
    std::string body;
    char chunk[kErrorReplyBodyLimit];
    while (body.size() < kErrorReplyBodyLimit) {
        DWORD received = 0;
        const DWORD wanted = static_cast<DWORD>(kErrorReplyBodyLimit - body.size());
        if (!InternetReadFile(request, chunk, wanted, &received) || received == 0) break;
        body.append(chunk, received);
    }
    return body;
}

std::string CreateFileFailure(const std::string& localPath, DWORD code)
{
    return "Unable to get file. Failed to create file (" + localPath + ").  " + ErrorLine(code);
}

std::string WriteFileFailure(const std::string& localPath, DWORD code)
{
    return "Unable to get file. Failed to write to file (" + localPath + ").  " + ErrorLine(code);
}

} // namespace

time_t CalendarSeconds()
{
    // time() would do the same after asking for the time zone, which costs
    // more than handling the packet itself.
    constexpr unsigned long long kUnixEpochTicks = 116444736000000000ULL;  // 1970-01-01 in 100 ns ticks
    constexpr unsigned long long kTicksPerSecond = 10000000ULL;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<time_t>((ticks - kUnixEpochTicks) / kTicksPerSecond);
}

bool TransferRate::Add(DWORD bytes, time_t now)
{
    sampleBytes_ += bytes;
    time_t elapsed = now - sampleStart_;
    if (elapsed <= 0) return false;
    rate_ = static_cast<float>(sampleBytes_) / static_cast<float>(elapsed) * 0.001f;
    if (elapsed < kRateWindowSeconds) return false;
    sampleStart_ = now;
    sampleBytes_ = 0;
    return true;
}

std::string DownloadSizeText(const std::string& title, const std::string& url, DWORD size)
{
    return title + "Downloading '..." + Tail(url, kSizeLineUrlTail) + "'\r\n (" + std::to_string(size / 1000) +
           "kb)...";
}

std::string DownloadProgressText(const std::string& title, const std::string& url, DWORD totalRead, DWORD size,
                                 float rate)
{
    DWORD remaining = 0;
    if (rate != 0.0f) {
        DWORD left = size > totalRead ? size - totalRead : 0;
        remaining = static_cast<DWORD>(static_cast<float>(left) / (rate * 1000.0f));
    }
    double percent = size ? static_cast<double>(totalRead) / size * 100.0 : 0.0;

    char line[128];
    std::snprintf(line, sizeof(line), "'\r\n(%#.1f%% of %u kb - %.2f kb/s - %02d:%02d:%02d remaining)", percent,
                  static_cast<unsigned>(size / 1000), static_cast<double>(rate), static_cast<int>(remaining / 3600),
                  static_cast<int>(remaining % 3600 / 60), static_cast<int>(remaining % 60));
    return title + "Downloading '..." + Tail(url, kProgressUrlTail) + line;
}

bool DownloadFile(const std::string& url, const std::string& localPath, const LeagueRecord& league,
                  const std::string& statusTitle, HttpErrorReply* errorReply)
{
    return DownloadFile(url, localPath, league.userName, league.password, statusTitle, errorReply);
}

bool DownloadFile(const std::string& url, const std::string& localPath, const std::string& userName,
                  const std::string& password, const std::string& statusTitle, HttpErrorReply* errorReply)
{
    // A download killed half way left its temporary file behind.
    if (!localPath.empty()) ReceiveFile::RemoveLeftover(localPath);

    ShowStatus(true, statusTitle + "Connecting to server...");

    InternetHandle session(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        DWORD code = GetLastError();
        const std::string sentence = "Failed to open Internet connection";
        Fail(code ? sentence + ".\r\n" + ErrorLine(code) : sentence);
        return false;
    }

    ShowStatus(true, statusTitle + "Opened Internet connection\r\nAuthenticating...");

    const DWORD timeout = static_cast<DWORD>(
        std::max(1, ReadSettingNumber(kDownloadTimeoutSetting, kDefaultDownloadTimeoutMs)));
    std::string address = url;
    std::string firstHost;
    UrlParts parts;
    InternetHandle connection;
    InternetHandle request;
    DWORD status = 0;
    for (int redirects = 0;; ++redirects) {
        request.reset();
        connection.reset();
        parts = UrlParts();
        if (SplitUrl(address, parts)) {
            if (redirects == 0) firstHost = parts.host;
            // The league's credentials go to the league's host only.
            const bool sameHost = _stricmp(parts.host.c_str(), firstHost.c_str()) == 0;
            connection.reset(InternetConnectA(session.get(), parts.host.c_str(), INTERNET_DEFAULT_HTTP_PORT,
                                              sameHost && !userName.empty() ? userName.c_str() : nullptr,
                                              sameHost && !password.empty() ? password.c_str() : nullptr,
                                              INTERNET_SERVICE_HTTP, 0, 0));
        }
        if (!connection) {
            DWORD code = GetLastError();
            session.reset();
            const std::string sentence = "Unable to open Internet Connection: '" + parts.host + "'";
            Fail(code ? sentence + ".\r\n" + ErrorLine(code) : sentence);
            return false;
        }

        ShowStatus(true, statusTitle + "Connected to server\r\nRequesting file...");

        request.reset(HttpOpenRequestA(connection.get(), "GET", parts.object.c_str(), nullptr, nullptr, nullptr,
                                       kRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT, 0));
        if (!request) {
            DWORD code = GetLastError();
            connection.reset();
            session.reset();
            const std::string sentence = "Unable to start file download: '" + url + "' to '" + localPath + "'";
            Fail(code ? sentence + ".\r\n" + ErrorLine(code) : sentence);
            return false;
        }
        SetIdleTimeout(request.get(), timeout);

        if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
            DWORD code = GetLastError();
            request.reset();
            connection.reset();
            session.reset();
            const std::string sentence = "Unable to communicate with " + parts.host;
            Fail(code ? sentence + "\r\n" + ErrorLine(code) : sentence);
            return false;
        }

        status = StatusCode(request.get());
        const std::string location = IsRedirect(status) ? QueryText(request.get(), HTTP_QUERY_LOCATION) : "";
        // A redirect without an address is judged by its status like any other answer.
        if (location.empty()) break;
        if (redirects == kMaxRedirects) {
            Fail("Unable to get file. Redirected more than " + std::to_string(kMaxRedirects) + " times (" + url +
                 ").");
            return false;
        }
        address = CombineUrl(address, location);
    }

    // An error page is no file: it must not replace the previous one.
    if (status < 200 || status > 299) {
        if (errorReply) {
            errorReply->status = status;
            errorReply->body = ReadErrorBody(request.get());
            ShowStatus(false);
            return false;
        }
        const std::string reason = QueryText(request.get(), HTTP_QUERY_STATUS_TEXT);
        Fail("Unable to get file. The server answered " + std::to_string(status) +
             (reason.empty() ? "" : " " + reason) + " (" + url + ").");
        return false;
    }

    char lengthText[kContentLengthBufferSize] = "";
    DWORD lengthTextSize = sizeof(lengthText);
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthTextSize, nullptr)) {
        DWORD code = GetLastError();
        request.reset();
        connection.reset();
        session.reset();
        Fail("Unable to get file. Failed to get file size (" + url + ").  Error: " + std::to_string(code));
        return false;
    }
    const DWORD size = static_cast<DWORD>(static_cast<int>(std::strtol(lengthText, nullptr, 10)));
    ShowStatus(true, DownloadSizeText(statusTitle, url, size));

    ReceiveFile file;
    if (!localPath.empty()) {
        std::string folder = FolderOf(localPath);
        if (!folder.empty()) CreateDirectoryA(folder.c_str(), nullptr);
        if (!file.Create(localPath)) {
            DWORD code = GetLastError();
            Fail(CreateFileFailure(localPath, code));
            return false;
        }
    }

    // A packet of 0 bytes would never read anything, one larger than the
    // write buffer would not fit into it, and a buffer of gigabytes may not
    // be allocatable at all.
    const int writeSetting = ReadSettingNumber(kWriteFileSizeSetting, kDefaultWriteFileSize);
    const int packetSetting = ReadSettingNumber(kPacketSizeSetting, kDefaultPacketSize);
    const DWORD writeSize = static_cast<DWORD>(std::clamp(writeSetting, 1, kMaxWriteFileSize));
    DWORD packetSize = std::min(static_cast<DWORD>(std::max(1, packetSetting)), writeSize);

    // Packets are read straight into the write buffer, which goes to the disk
    // once it is nearly full.
    std::vector<char> buffer(writeSize);
    DWORD fill = 0;
    DWORD totalRead = 0;
    TransferRate rate(CalendarSeconds());

    while (totalRead < size) {
        DWORD received = 0;
        if (!InternetReadFile(request.get(), buffer.data() + fill, packetSize, &received)) {
            DWORD code = GetLastError();
            Fail("Unable to get file. Unable to download '" + url + "'.  " + ErrorLine(code));
            return false;
        }
        if (received == 0) {
            ShowStatus(false);
            int answer = ShowMessage("EARLY ABORT ERROR!  No bytes read after reading " + std::to_string(totalRead) +
                                         " bytes.  Descreasing packetSize and trying again",
                                     MB_RETRYCANCEL | MB_ICONERROR);
            if (answer == IDRETRY) {
                packetSize = std::max<DWORD>(1, packetSize / 2);
                continue;
            }
            // Giving up on a short body: the previous file stays.
            return false;
        }

        if (file.IsOpen()) {
            fill += received;
            if (fill > writeSize - packetSize) {
                if (!file.Write(buffer.data(), fill)) {
                    DWORD code = GetLastError();
                    Fail(WriteFileFailure(localPath, code));
                    return false;
                }
                fill = 0;
            }
        }

        totalRead += received;
        if (rate.Add(received, CalendarSeconds())) DispatchWaitingMessages();
        ShowStatus(true, DownloadProgressText(statusTitle, url, totalRead, size, rate.KilobytesPerSecond()));
    }

    if (file.IsOpen()) {
        if (fill > 0 && !file.Write(buffer.data(), fill)) {
            DWORD code = GetLastError();
            Fail(WriteFileFailure(localPath, code));
            return false;
        }
        if (!file.Commit(localPath)) {
            DWORD code = GetLastError();
            Fail(CreateFileFailure(localPath, code));
            return false;
        }
    }

    ShowStatus(false);
    return true;
}

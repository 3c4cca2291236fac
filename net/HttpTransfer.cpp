#include "net/HttpTransfer.h"

#include "app/MessageBox.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "net/ErrorText.h"
#include "net/LongWork.h"
#include "net/StatusPopup.h"

#include <wininet.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr char kUserAgent[] = "ZANT Launcher";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
constexpr DWORD kHeaderBufferSize = 256;
constexpr DWORD kStatusPermanentRedirect = 308;
// A read waits until it has all it asked for. Whole packets are asked for
// only while the line brings one within kWholePacketMs, judged over samples
// of kLineSampleMs; otherwise a read asks for what has arrived, so that the
// windows are looked after in between.
constexpr DWORD kWholePacketMs = 50;
constexpr DWORD kLineSampleMs = 3;

struct UrlParts {
    std::string host;
    std::string object;  // path with query
    bool secure = false;  // "https://": TLS to the port it names
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
};

// The platform's word that a certificate is not to be trusted for the host.
bool IsCertificateError(DWORD code)
{
    switch (code) {
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
        return true;
    default:
        return false;
    }
}

// Canonicalises the url as a browser would and splits it. A plain address
// is always fetched from port 80 of its host, whatever it names; a secure
// one from the port it names (443 when none).
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

    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    if (parts.secure) parts.port = components.nPort ? components.nPort : INTERNET_DEFAULT_HTTPS_PORT;
    if (components.lpszHostName) parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    if (components.lpszUrlPath) parts.object.assign(components.lpszUrlPath, components.dwUrlPathLength);
    if (components.lpszExtraInfo) parts.object.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    if (parts.object.empty()) parts.object = "/";
    return true;
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

// "bytes first-last/total"; false for any other form.
bool ParseContentRange(const std::string& text, uint64_t& first, uint64_t& total)
{
    uint64_t last = 0;
    return std::sscanf(text.c_str(), "bytes %" SCNu64 "-%" SCNu64 "/%" SCNu64, &first, &last, &total) == 3 &&
           first <= last && last < total;
}

// A validator that names exactly one version of the file: a weak entity
// tag ("W/...") does not.
ResumeRecord RecordOfAnswer(HINTERNET request, const std::string& url, uint64_t size)
{
    ResumeRecord record;
    record.url = url;
    record.etag = QueryText(request, HTTP_QUERY_ETAG);
    if (record.etag.rfind("W/", 0) == 0) record.etag.clear();
    record.lastModified = QueryText(request, HTTP_QUERY_LAST_MODIFIED);
    record.totalLength = size;
    return record;
}

std::string CreateFileFailure(const std::string& localPath, DWORD code)
{
    return "Unable to get file. Failed to create file (" + localPath + ").  " + ErrorLine(code);
}

std::string EarlyAbortText(uint64_t totalRead)
{
    return "EARLY ABORT ERROR!  No bytes read after reading " + std::to_string(totalRead) +
           " bytes.  Descreasing packetSize and trying again";
}

}  // namespace

HttpTransfer::HttpTransfer(const std::string& url, const std::string& localPath, const std::string& userName,
                           const std::string& password, const std::string& statusTitle, HttpErrorReply* errorReply,
                           std::string* sha256)
    : url_(url), localPath_(localPath), userName_(userName), password_(password), title_(statusTitle),
      errorReply_(errorReply), sha256_(sha256)
{
}

void HttpTransfer::Fail(const std::string& message)
{
    ShowStatus(false);
    ShowMessage(message, MB_OK | MB_ICONSTOP);
}

bool HttpTransfer::Run()
{
    if (!localPath_.empty()) {
        // Leftovers of transfers that were never resumed do not stay for good.
        ReceiveFile::RemoveStaleLeftovers(FolderOfPath(localPath_), kLeftoverMaxAgeDays);
        kept_ = file_.Reopen(localPath_, url_, record_);
        keptUnhashed_ = kept_ > 0;
    }
    CancelOffer cancel;
    ShowStatus(true, title_ + "Connecting to server...");
    if (!OpenSession() || !Start(kept_)) return false;
    if (!ReadBody()) return false;
    return Finish();
}

bool HttpTransfer::OpenSession()
{
    session_.reset(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session_) {
        DWORD code = GetLastError();
        const std::string sentence = "Failed to open Internet connection";
        Fail(code ? sentence + ".\r\n" + ErrorLine(code) : sentence);
        return false;
    }
    ShowStatus(true, title_ + "Opened Internet connection\r\nAuthenticating...");
    timeoutMs_ = static_cast<DWORD>(std::max(1, ReadSettingNumber(kDownloadTimeoutSetting, kDefaultDownloadTimeoutMs)));
    return true;
}

bool HttpTransfer::Connect(const std::string& host, INTERNET_PORT port, bool sameHost)
{
    // The league's credentials go to the league's host only.
    connection_.reset(InternetConnectA(session_.get(), host.c_str(), port,
                                       sameHost && !userName_.empty() ? userName_.c_str() : nullptr,
                                       sameHost && !password_.empty() ? password_.c_str() : nullptr,
                                       INTERNET_SERVICE_HTTP, 0, 0));
    if (connection_) return true;
    DWORD code = GetLastError();
    const std::string sentence = "Unable to open Internet Connection: '" + host + "'";
    Fail(code ? sentence + ".\r\n" + ErrorLine(code) : sentence);
    return false;
}

bool HttpTransfer::Send(const std::string& object, uint64_t from)
{
    ShowStatus(true, title_ + "Connected to server\r\nRequesting file...");
    request_.reset(HttpOpenRequestA(connection_.get(), "GET", object.c_str(), nullptr, nullptr, nullptr,
                                    kRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                        (secure_ ? INTERNET_FLAG_SECURE : 0),
                                    0));
    if (!request_) {
        DWORD code = GetLastError();
        const std::string sentence = "Unable to start file download: '" + url_ + "' to '" + localPath_ + "'";
        Fail(code ? sentence + ".\r\n" + ErrorLine(code) : sentence);
        return false;
    }
    SetIdleTimeout(request_.get(), timeoutMs_);
    // The rest of the kept file, only while it is still the same file.
    const std::string range =
        from ? "Range: bytes=" + std::to_string(from) + "-\r\nIf-Range: " + record_.Validator() + "\r\n" : "";
    if (!HttpSendRequestA(request_.get(), range.empty() ? nullptr : range.c_str(), static_cast<DWORD>(range.size()),
                          nullptr, 0)) {
        DWORD code = GetLastError();
        if (IsCertificateError(code)) {
            Fail("Unable to get file. The certificate of " + host_ + " is not accepted (" + url_ + ").\r\n" +
                 ErrorLine(code));
            return false;
        }
        const std::string sentence = "Unable to communicate with " + host_;
        Fail(code ? sentence + "\r\n" + ErrorLine(code) : sentence);
        return false;
    }
    status_ = StatusCode(request_.get());
    return true;
}

bool HttpTransfer::Request(uint64_t from)
{
    std::string address = url_;
    for (int redirects = 0;; ++redirects) {
        request_.reset();
        connection_.reset();
        UrlParts parts;
        if (!SplitUrl(address, parts)) parts = UrlParts();
        if (redirects == 0) firstHost_ = parts.host;
        if (redirects > 0 && secure_ && !parts.secure) {
            Fail("Unable to get file. Redirected from a secure address to a plain one (" + url_ + ").");
            return false;
        }
        host_ = parts.host;
        secure_ = parts.secure;
        if (!Connect(host_, parts.port, _stricmp(host_.c_str(), firstHost_.c_str()) == 0) ||
            !Send(parts.object, from))
            return false;
        const std::string location = IsRedirect(status_) ? QueryText(request_.get(), HTTP_QUERY_LOCATION) : "";
        // A redirect without an address is judged by its status like any other answer.
        if (location.empty()) return AcceptAnswer();
        if (redirects == kMaxRedirects) {
            Fail("Unable to get file. Redirected more than " + std::to_string(kMaxRedirects) + " times (" + url_ +
                 ").");
            return false;
        }
        address = CombineUrl(address, location);
    }
}

bool HttpTransfer::AcceptAnswer()
{
    // An error page is no file: it must not replace the previous one.
    if (status_ >= 200 && status_ <= 299) return true;
    if (errorReply_) {
        errorReply_->status = status_;
        errorReply_->body = ReadErrorBody(request_.get());
        ShowStatus(false);
        return false;
    }
    const std::string reason = QueryText(request_.get(), HTTP_QUERY_STATUS_TEXT);
    Fail("Unable to get file. The server answered " + std::to_string(status_) + (reason.empty() ? "" : " " + reason) +
         " (" + url_ + ").");
    return false;
}

bool HttpTransfer::Start(uint64_t from)
{
    if (!Request(from)) return false;
    if (from && status_ == HTTP_STATUS_PARTIAL_CONTENT && !ContinuesKeptFile()) {
        // Some other part of some other file: ask for all of it.
        kept_ = 0;
        if (!Request(0)) return false;
    }
    const bool continuing = from && status_ == HTTP_STATUS_PARTIAL_CONTENT;
    if (!continuing) kept_ = 0;
    if (!ReadLength()) return false;
    ShowStatus(true, DownloadSizeText(title_, url_, size_));
    return PrepareFile(continuing);
}

bool HttpTransfer::ContinuesKeptFile()
{
    uint64_t first = 0, total = 0;
    return ParseContentRange(QueryText(request_.get(), HTTP_QUERY_CONTENT_RANGE), first, total) && first == kept_ &&
           total == record_.totalLength;
}

bool HttpTransfer::ReadLength()
{
    if (status_ == HTTP_STATUS_PARTIAL_CONTENT && kept_) {
        size_ = record_.totalLength;
        totalRead_ = kept_;
        return true;
    }
    char lengthText[32] = "";
    DWORD lengthTextSize = sizeof(lengthText);
    if (!HttpQueryInfoA(request_.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthTextSize, nullptr)) {
        DWORD code = GetLastError();
        Fail("Unable to get file. Failed to get file size (" + url_ + ").  Error: " + std::to_string(code));
        return false;
    }
    const long long length = std::strtoll(lengthText, nullptr, 10);
    size_ = length > 0 ? static_cast<uint64_t>(length) : 0;
    totalRead_ = 0;
    return true;
}

bool HttpTransfer::PrepareFile(bool continuing)
{
    // A packet of 0 bytes would never read anything, one larger than the
    // write buffer would not fit into it, and a buffer of gigabytes may not
    // be allocatable at all.
    const int writeSetting = ReadSettingNumber(kWriteFileSizeSetting, kDefaultWriteFileSize);
    const int packetSetting = ReadSettingNumber(kPacketSizeSetting, kDefaultPacketSize);
    const DWORD writeSize = static_cast<DWORD>(std::clamp(writeSetting, 1, kMaxWriteFileSize));
    if (buffer_.size() != writeSize) buffer_.assign(writeSize, 0);
    if (!packetSize_) packetSize_ = std::min(static_cast<DWORD>(std::max(1, packetSetting)), writeSize);
    fill_ = 0;
    if (localPath_.empty()) return true;
    if (continuing) {
        offersRanges_ = true;  // it just answered a range
        // The kept bytes count too: they are read once, the rest as it comes.
        if (sha256_ && std::exchange(keptUnhashed_, false)) file_.AddContentTo(hash_);
        return true;
    }
    hash_.Reset();
    keptUnhashed_ = false;

    CreateDirectoryA(FolderOfPath(localPath_).c_str(), nullptr);
    if (!file_.Create(localPath_)) {
        DWORD code = GetLastError();
        Fail(CreateFileFailure(localPath_, code));
        return false;
    }
    record_ = RecordOfAnswer(request_.get(), url_, size_);
    offersRanges_ = !record_.Validator().empty() &&
                    _stricmp(QueryText(request_.get(), HTTP_QUERY_ACCEPT_RANGES).c_str(), "bytes") == 0;
    if (size_ && !record_.Validator().empty()) file_.KeepForResume(record_);
    return true;
}

bool HttpTransfer::ReadBody()
{
    const DWORD writeSize = static_cast<DWORD>(buffer_.size());
    TransferRate rate(CalendarSeconds());
    lineStart_ = GetTickCount();
    while (totalRead_ < size_) {
        if (CancelRequested()) {
            // Kept for the next attempt, as far as it came.
            Flush(false);
            ShowStatus(false);
            return false;
        }
        DWORD received = 0, wanted = 0;
        if (!ReadSize(wanted) || !InternetReadFile(request_.get(), buffer_.data() + fill_, wanted, &received)) {
            DWORD code = GetLastError();
            Fail("Unable to get file. Unable to download '" + url_ + "'.  " + ErrorLine(code));
            Flush(false);
            return false;
        }
        if (received == 0) {
            if (!RetryEmptyRead()) return false;
            continue;
        }
        totalRead_ += received;
        MeasureLine(received);
        fill_ = file_.IsOpen() ? fill_ + received : 0;
        if (fill_ > writeSize - packetSize_ && !Flush(true)) return false;
        rate.Add(received, CalendarSeconds());
        ShowStatus(true, DownloadProgressText(title_, url_, totalRead_, size_, rate.KilobytesPerSecond()));
        KeepResponsive();
    }
    return true;
}

bool HttpTransfer::ReadSize(DWORD& wanted)
{
    wanted = packetSize_;
    if (wholePackets_) return true;
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request_.get(), &available, 0, 0)) return false;
    if (available) wanted = std::min(available, packetSize_);
    return true;
}

void HttpTransfer::MeasureLine(DWORD received)
{
    lineBytes_ += received;
    const DWORD elapsed = GetTickCount() - lineStart_;
    if (elapsed < kLineSampleMs) return;
    wholePackets_ = lineBytes_ * kWholePacketMs >= static_cast<uint64_t>(packetSize_) * elapsed;
    lineStart_ = GetTickCount();
    lineBytes_ = 0;
}

bool HttpTransfer::RetryEmptyRead()
{
    ShowStatus(false);
    if (ShowMessage(EarlyAbortText(totalRead_), MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) {
        // Giving up on a short body: the previous file stays, the bytes are kept.
        Flush(false);
        return false;
    }
    packetSize_ = std::max<DWORD>(1, packetSize_ / 2);
    if (!offersRanges_ || !file_.IsOpen()) return true;
    // The connection is gone: ask again for the rest.
    if (!Flush(true)) return false;
    kept_ = totalRead_;
    return Start(kept_);
}

bool HttpTransfer::Flush(bool report)
{
    if (!file_.IsOpen() || fill_ == 0) return true;
    if (sha256_) hash_.Add(buffer_.data(), fill_);
    const bool written = file_.Write(buffer_.data(), fill_);
    fill_ = 0;
    if (written) return true;
    const DWORD code = GetLastError();
    file_.Discard();
    if (report) Fail("Unable to get file. Failed to write to file (" + localPath_ + ").  " + ErrorLine(code));
    return false;
}

bool HttpTransfer::Finish()
{
    if (file_.IsOpen()) {
        if (!Flush(true)) return false;
        // Only the whole file may replace the previous one.
        const uint64_t held = file_.Size();
        if (held != size_) {
            file_.Discard();
            Fail("Unable to get file. Received " + std::to_string(held) + " of " + std::to_string(size_) +
                 " bytes (" + url_ + ").");
            return false;
        }
        if (!file_.Commit(localPath_)) {
            DWORD code = GetLastError();
            Fail(CreateFileFailure(localPath_, code));
            return false;
        }
        if (sha256_) *sha256_ = hash_.Hex();
    }
    ShowStatus(false);
    return true;
}

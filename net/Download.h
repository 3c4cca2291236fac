#pragma once
#include <windows.h>
#include <cstdint>
#include <ctime>
#include <string>

#include "app/Records.h"

// An answer of the server that is no file: a status outside 200-299 and the
// start of the page that came with it.
struct HttpErrorReply {
    DWORD status = 0;  // 0: no such answer arrived
    std::string body;  // at most kErrorReplyBodyLimit bytes
};
inline constexpr DWORD kErrorReplyBodyLimit = 4096;

// Fetches url with an HTTP GET from port 80 of its host and stores the body at
// localPath (an empty path reads the body and throws it away). Shows progress
// in the status popup under statusTitle (which ends in a line break), reports
// every failure itself and returns false after one. The body arrives in a
// temporary file beside localPath that replaces it only when the whole body
// arrived, so a failed download leaves the previous file as it was. A
// transfer that ends early keeps what it received, and the next download of
// the same address to the same path asks only for the rest. Cancel in the
// status popup ends it without a message (CancelRequested() tells).
// An answer with a status outside 200-299 is a failure; with errorReply given
// it is not reported but handed to the caller there. At most
// kMaxRedirects redirects are followed.
// With sha256 given, the file is hashed as it arrives (a resumed one over
// all of it) and its SHA-256 handed back in hexadecimal.
bool DownloadFile(const std::string& url, const std::string& localPath, const std::string& userName,
                  const std::string& password, const std::string& statusTitle, HttpErrorReply* errorReply = nullptr,
                  std::string* sha256 = nullptr);

// The same with the league's credentials.
bool DownloadFile(const std::string& url, const std::string& localPath, const LeagueRecord& league,
                  const std::string& statusTitle, HttpErrorReply* errorReply = nullptr,
                  std::string* sha256 = nullptr);

inline constexpr int kMaxRedirects = 5;

// The file name a download address is saved under: its base name and
// extension, any query string cut off. Empty when it names no usable file.
std::string LocalFileName(const std::string& fileAddress);


// Registry settings (launcher key, no subkey) read at the start of every download.
inline constexpr char kPacketSizeSetting[] = "Packet Size";
inline constexpr char kWriteFileSizeSetting[] = "Write File Size";
inline constexpr int kDefaultPacketSize = 4096;
inline constexpr int kDefaultWriteFileSize = 65536;
inline constexpr int kMaxWriteFileSize = 64 * 1024 * 1024;  // larger settings are taken as this
// Milliseconds a request may wait for the server's next data before it fails.
inline constexpr char kDownloadTimeoutSetting[] = "Download Timeout";
inline constexpr int kDefaultDownloadTimeoutMs = 30000;

// The transfer rate shown is that of a sample of at least this many seconds.
inline constexpr time_t kRateWindowSeconds = 25;

// The calendar time in whole seconds since 1970, as time() gives it, but
// cheap enough to ask once per packet.
time_t CalendarSeconds();

// Transfer rate over sample windows of at least kRateWindowSeconds, in
// kilobytes (1000 bytes) per second of the last computation.
class TransferRate {
public:
    explicit TransferRate(time_t now) : sampleStart_(now) {}

    // Counts bytes received at time now and recomputes the rate; returns true
    // when the sample window closed and a new one started.
    bool Add(uint64_t bytes, time_t now);
    float KilobytesPerSecond() const { return rate_; }

private:
    time_t sampleStart_;
    uint64_t sampleBytes_ = 0;
    float rate_ = 0.0f;
};

// title + "Downloading '..." + the last 32 characters of url + "'\r\n (<size/1000>kb)..."
std::string DownloadSizeText(const std::string& title, const std::string& url, uint64_t size);

// title + "Downloading '..." + the last 40 characters of url + the progress line
// "(<percent>% of <kb> kb - <rate> kb/s - hh:mm:ss remaining)".
std::string DownloadProgressText(const std::string& title, const std::string& url, uint64_t totalRead,
                                 uint64_t size, float rate);

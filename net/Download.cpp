#include "net/Download.h"

#include "app/FileReplace.h"
#include "app/SafePaths.h"
#include "net/HttpTransfer.h"

#include <cstdio>

namespace {

constexpr size_t kSizeLineUrlTail = 32;
constexpr size_t kProgressUrlTail = 40;

std::string Tail(const std::string& text, size_t count)
{
    return text.size() > count ? text.substr(text.size() - count) : text;
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
    const unsigned long long ticks = FileTimeNumber(now);
    return static_cast<time_t>((ticks - kUnixEpochTicks) / kTicksPerSecond);
}

bool TransferRate::Add(uint64_t bytes, time_t now)
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

std::string DownloadSizeText(const std::string& title, const std::string& url, uint64_t size)
{
    return title + "Downloading '..." + Tail(url, kSizeLineUrlTail) + "'\r\n (" + std::to_string(size / 1000) +
           "kb)...";
}

std::string DownloadProgressText(const std::string& title, const std::string& url, uint64_t totalRead,
                                 uint64_t size, float rate)
{
    uint64_t remaining = 0;
    if (rate != 0.0f) {
        const uint64_t left = size > totalRead ? size - totalRead : 0;
        remaining = static_cast<uint64_t>(static_cast<double>(left) / (rate * 1000.0));
    }
    double percent = size ? static_cast<double>(totalRead) / size * 100.0 : 0.0;

    char line[128];
    std::snprintf(line, sizeof(line), "'\r\n(%#.1f%% of %llu kb - %.2f kb/s - %02llu:%02d:%02d remaining)", percent,
                  static_cast<unsigned long long>(size / 1000), static_cast<double>(rate),
                  static_cast<unsigned long long>(remaining / 3600), static_cast<int>(remaining % 3600 / 60),
                  static_cast<int>(remaining % 60));
    return title + "Downloading '..." + Tail(url, kProgressUrlTail) + line;
}

bool DownloadFile(const std::string& url, const std::string& localPath, const LeagueRecord& league,
                  const std::string& statusTitle, HttpErrorReply* errorReply, std::string* sha256)
{
    return DownloadFile(url, localPath, league.userName, league.password, statusTitle, errorReply, sha256);
}

bool DownloadFile(const std::string& url, const std::string& localPath, const std::string& userName,
                  const std::string& password, const std::string& statusTitle, HttpErrorReply* errorReply,
                  std::string* sha256)
{
    return HttpTransfer(url, localPath, userName, password, statusTitle, errorReply, sha256).Run();
}

std::string LocalFileName(const std::string& fileAddress)
{
    const std::string withoutQuery = fileAddress.substr(0, fileAddress.find('?'));
    const size_t slash = withoutQuery.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? withoutQuery : withoutQuery.substr(slash + 1);
    if (name.empty() || name == "." || IsParentStep(name) || IsReservedDeviceName(name) ||
        HasForbiddenCharacter(name, false))
        return std::string();
    return name;
}

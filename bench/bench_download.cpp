// Measures DownloadFile on one url and the time to ask silent race servers.
// Usage: zant_bench_download <url> <local path> <silent server count> [<packet size>:<write size> ...]
// Downloads once with the settings as they are, then once per size pair
// given, and prints "download <packet> <write> <bytes> <seconds>" per
// download and "silent_query_seconds=S".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "app/Settings.h"
#include "net/Download.h"
#include "net/ServerStatus.h"
#include "tests/support/TestUdpResponder.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

unsigned long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <url> <local path> <silent server count>\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    const std::string localPath = argv[2];
    const int silentCount = std::atoi(argv[3]);

    // A message box here means the download failed: print it instead of waiting for a click.
    SetMessageAnswerer([](const MessageCall& call) {
        std::fprintf(stderr, "message: %s\n", call.text.c_str());
        return IDCANCEL;
    });

    std::vector<std::pair<int, int>> sizes = {{0, 0}};
    for (int i = 4; i < argc; ++i) {
        int packet = 0, write = 0;
        if (std::sscanf(argv[i], "%d:%d", &packet, &write) != 2) return 2;
        sizes.emplace_back(packet, write);
    }

    LARGE_INTEGER start, end;
    for (const auto& size : sizes) {
        if (size.first > 0) {
            WriteSettingNumber(kPacketSizeSetting, size.first);
            WriteSettingNumber(kWriteFileSizeSetting, size.second);
        }
        const int packet = ReadSettingNumber(kPacketSizeSetting, kDefaultPacketSize);
        const int write = ReadSettingNumber(kWriteFileSizeSetting, kDefaultWriteFileSize);
        QueryPerformanceCounter(&start);
        const bool downloaded = DownloadFile(url, localPath, "", "", "Benchmark\r\n");
        QueryPerformanceCounter(&end);
        if (!downloaded) return 1;
        std::printf("download %d %d %llu %.4f\n", packet, write, FileSize(localPath), Seconds(start, end));
    }

    std::vector<std::unique_ptr<TestUdpResponder>> servers;
    for (int i = 0; i < silentCount; ++i) {
        servers.push_back(std::make_unique<TestUdpResponder>());
        if (!servers.back()->Start()) return 1;
        servers.back()->StaySilent();
    }
    const std::string dataFolder = localPath.substr(0, localPath.find_last_of('\\') + 1);
    int answered = 0;
    QueryPerformanceCounter(&start);
    for (const auto& server : servers) {
        ServerStatus status;
        if (QueryServerStatus("127.0.0.1", server->Port(), dataFolder, status)) ++answered;
    }
    QueryPerformanceCounter(&end);
    std::printf("silent_query_seconds=%.4f\n", Seconds(start, end));
    return answered == 0 ? 0 : 1;
}

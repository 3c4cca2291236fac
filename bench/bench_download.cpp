// Measures DownloadFile on one url and the time to ask silent race servers.
// Usage: zant_bench_download <url> <local path> <silent server count> [<packet size>:<write size> ...]
//        [resume:<url of a transfer the server cuts>] [cancel:<url of a slow transfer>]
// Downloads once with the settings as they are, then once per size pair
// given, and prints "download <packet> <write> <bytes> <seconds> <longest
// pump gap ms>" per download, "hashed <bytes> <seconds> <sha256>" for the last
// sizes with the file hashed, "resume <seconds cut> <seconds rest> <bytes>"
// for a cut transfer started again, "cancel <seconds>" from Cancel to the
// return of a slow transfer, and "silent_query_seconds=S".
//
// The pump gap: a thread posts a message to a window of this thread every 5
// milliseconds; the longest time between two of them being handled is how
// long the window would wait for an answer.
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "app/Settings.h"
#include "net/Download.h"
#include "net/LongWork.h"
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

// Handles the posted ticks and remembers the longest wait between two.
class PumpWatch {
public:
    PumpWatch()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ZantBenchPumpWatch";
        RegisterClassA(&windowClass);
        window_ = CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PumpWatch() { DestroyWindow(window_); }

    void Start()
    {
        longest_ = 0;
        QueryPerformanceCounter(&last_);
        running_ = true;
        poster_ = CreateThread(nullptr, 0, Post, this, 0, nullptr);
    }
    double StopMs()
    {
        running_ = false;
        WaitForSingleObject(poster_, INFINITE);
        CloseHandle(poster_);
        MSG message;
        while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {}
        return longest_ * 1000.0;
    }

private:
    static DWORD WINAPI Post(LPVOID self)
    {
        auto* watch = static_cast<PumpWatch*>(self);
        while (watch->running_) {
            PostMessageA(watch->window_, WM_APP, 0, 0);
            Sleep(5);
        }
        return 0;
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* watch = reinterpret_cast<PumpWatch*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message != WM_APP || !watch) return DefWindowProcA(window, message, wParam, lParam);
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        watch->longest_ = std::max(watch->longest_, Seconds(watch->last_, now));
        watch->last_ = now;
        return 0;
    }

    HWND window_ = nullptr;
    HANDLE poster_ = nullptr;
    volatile bool running_ = false;
    LARGE_INTEGER last_ = {};
    double longest_ = 0;
};

// Asks for Cancel a second after it starts, as the popup's button does,
// and notes when.
DWORD WINAPI CancelLater(LPVOID asked)
{
    Sleep(1000);
    QueryPerformanceCounter(static_cast<LARGE_INTEGER*>(asked));
    RequestCancel();
    return 0;
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
    std::string cutUrl, slowUrl;
    for (int i = 4; i < argc; ++i) {
        if (std::strncmp(argv[i], "resume:", 7) == 0) {
            cutUrl = argv[i] + 7;
            continue;
        }
        if (std::strncmp(argv[i], "cancel:", 7) == 0) {
            slowUrl = argv[i] + 7;
            continue;
        }
        int packet = 0, write = 0;
        if (std::sscanf(argv[i], "%d:%d", &packet, &write) != 2) return 2;
        sizes.emplace_back(packet, write);
    }

    LARGE_INTEGER start, end;
    PumpWatch watch;
    for (const auto& size : sizes) {
        if (size.first > 0) {
            WriteSettingNumber(kPacketSizeSetting, size.first);
            WriteSettingNumber(kWriteFileSizeSetting, size.second);
        }
        const int packet = ReadSettingNumber(kPacketSizeSetting, kDefaultPacketSize);
        const int write = ReadSettingNumber(kWriteFileSizeSetting, kDefaultWriteFileSize);
        watch.Start();
        QueryPerformanceCounter(&start);
        const bool downloaded = DownloadFile(url, localPath, "", "", "Benchmark\r\n");
        QueryPerformanceCounter(&end);
        const double gapMs = watch.StopMs();
        if (!downloaded) return 1;
        std::printf("download %d %d %llu %.4f %.1f\n", packet, write, FileSize(localPath), Seconds(start, end), gapMs);
    }
    {
        // The same transfer hashed as it arrives, as content with a league hash is.
        std::string sha256;
        QueryPerformanceCounter(&start);
        if (!DownloadFile(url, localPath, "", "", "Benchmark\r\n", nullptr, &sha256) || sha256.size() != 64) return 1;
        QueryPerformanceCounter(&end);
        std::printf("hashed %llu %.4f %s\n", FileSize(localPath), Seconds(start, end), sha256.c_str());
    }
    if (!slowUrl.empty()) {
        // Cancel asked a second into a slow transfer: how long until it returns.
        LARGE_INTEGER asked = {};
        HANDLE canceller = CreateThread(nullptr, 0, CancelLater, &asked, 0, nullptr);
        if (DownloadFile(slowUrl, localPath, "", "", "Benchmark\r\n")) return 1;
        QueryPerformanceCounter(&end);
        WaitForSingleObject(canceller, INFINITE);
        CloseHandle(canceller);
        ClearCancel();
        std::printf("cancel %.4f\n", Seconds(asked, end));
    }
    // As often as the tuned sizes ran: the first attempt of each ends at the
    // cut (its question answered Cancel), the second asks for the rest.
    for (size_t run = 1; !cutUrl.empty() && run < sizes.size(); ++run) {
        const std::string address = cutUrl + "?run=" + std::to_string(run);
        DeleteFileA(localPath.c_str());
        LARGE_INTEGER middle;
        QueryPerformanceCounter(&start);
        if (DownloadFile(address, localPath, "", "", "Benchmark\r\n")) return 1;
        QueryPerformanceCounter(&middle);
        if (!DownloadFile(address, localPath, "", "", "Benchmark\r\n")) return 1;
        QueryPerformanceCounter(&end);
        std::printf("resume %.4f %.4f %llu\n", Seconds(start, middle), Seconds(middle, end), FileSize(localPath));
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

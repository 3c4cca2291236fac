// Times a refresh without fetching over a large events file: a catalog of
// 2,000 items and a schedule of race events whose servers either all answer
// or all stay silent, with the servers asked all at once and, for comparison,
// one at a time. Prints one line per measurement; see bench/refresh.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "catalog/Refresh.h"
#include "launch/EventContent.h"
#include "net/ServerStatus.h"
#include "net/StatusPopup.h"
#include "tests/support/TestUdpResponder.h"

namespace {

constexpr int kCatalogItems = 2000;
constexpr int kServers = 10;

const char* const kCategorySections[][2] = {
    {"Sims", "Sim"}, {"Tracks", "Track"}, {"Mods", "Mod"}, {"Cars", "Car"}, {"Setups", "Setup"}};

std::string EventsFile(int events, const std::vector<unsigned short>& ports)
{
    std::string text = "[Application]\r\nVersion=1.8.3.0\r\n[Schedule]\r\nEvents=" + std::to_string(events) + "\r\n";
    for (int i = 1; i <= events; ++i) {
        const unsigned short port = ports[i % ports.size()];
        text += "[Event " + std::to_string(i) + "]\r\nID=" + std::to_string(i) + "\r\nName=Race " +
                std::to_string(i) + "\r\nServer=127.0.0.1:" + std::to_string(port) +
                "\r\nTrack=Bench Oval\r\nVehicle=NW\r\nLeague=League " + std::to_string(i) +
                "\r\nVehicleIDs=1,2\r\nDate=12/9/2026 8:30 PM\r\n";
    }
    const int perCategory = kCatalogItems / 5;
    for (const auto& category : kCategorySections) {
        text += std::string("[") + category[0] + "]\r\nCount=" + std::to_string(perCategory) + "\r\n";
        for (int i = 1; i <= perCategory; ++i)
            text += std::string("[") + category[1] + " " + std::to_string(i) + "]\r\nName=Item " +
                    std::to_string(i) + "\r\nDriver=Driver " + std::to_string(i) + "\r\nTrack=Track " +
                    std::to_string(i) + "\r\nID=" + std::to_string(i) +
                    "\r\nVehicleIDs=1\r\nVehicleID=1\r\nFile=http://127.0.0.1/x.zip\r\nFile Size=1.5\r\n"
                    "Date Year=2026\r\nDate Month=1\r\nDate Day=2\r\n";
    }
    return text;
}

double SecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One refresh without fetching from a fresh model; returns its seconds.
// oneAtATime asks the race servers in turn, as the schedule's order does,
// instead of all at once.
double TimeRefresh(const std::string& root, int events, const std::vector<unsigned short>& ports, bool oneAtATime)
{
    LauncherState state;
    state.env = SettleEnvironment(root + "Sim\\ZANTLauncher.exe", root + "Documents");
    InitLocalEvent(state);
    CreateDirectoryA(state.env.LeagueFolder().c_str(), nullptr);
    const std::string file = EventsFile(events, ports);
    HANDLE out = CreateFileA(state.EventsFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    CloseHandle(out);

    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    RefreshHooks hooks;
    // As the window has it: every event's readiness is judged too.
    hooks.describeContent = [&state] { DescribeEventContent(state); };
    if (oneAtATime)
        hooks.query = [&state](const std::string& host, int port, ServerStatus& status) {
            return QueryServerStatus(host, port, state.env.dataFolder, status);
        };
    Refresh(state, false, hooks);
    const double seconds = SecondsSince(start);
    ShowStatus(false);

    // A fast refresh that read less would prove nothing.
    size_t items = 0;
    for (const ContentList& list : state.catalog) items += list.size();
    if (items != kCatalogItems || state.schedule.rows.size() != static_cast<size_t>(events) + 1) {
        std::fprintf(stderr, "refresh read %zu items and %zu rows instead of %d and %d\n", items,
                     state.schedule.rows.size(), kCatalogItems, events + 1);
        std::exit(1);
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zant_bench_refresh WORK_FOLDER\n");
        return 2;
    }
    // A benchmark has nobody to answer questions.
    SetMessageAnswerer([](const MessageCall& call) {
        std::fprintf(stderr, "message: %s\n", call.text.c_str());
        return IDOK;
    });
    std::string root = argv[1];
    if (root.back() != '\\') root += '\\';
    CreateDirectoryA((root + "Sim").c_str(), nullptr);
    CreateDirectoryA((root + "Documents").c_str(), nullptr);

    std::vector<std::unique_ptr<TestUdpResponder>> servers;
    std::vector<unsigned short> ports;
    for (int i = 0; i < kServers; ++i) {
        servers.push_back(std::make_unique<TestUdpResponder>());
        if (!servers.back()->Start()) {
            std::fprintf(stderr, "cannot start a race server\n");
            return 1;
        }
        ports.push_back(servers.back()->Port());
    }
    auto answerAll = [&](bool answer) {
        for (auto& server : servers) {
            if (answer)
                server->ReplyWith(StatusReplyBuilder().Text(25, "NW").Text(73, "Bench Oval Speedway").Byte(207, 20).Bytes());
            else
                server->StaySilent();
        }
    };

    std::printf("catalog items: %d, race servers: %d (events share them in turn)\n", kCatalogItems, kServers);
    // The catalog costs the same whatever the servers do; the difference
    // between answering and silent servers is what silent servers add. Each
    // size runs with all servers asked at once and, beside it, one at a time.
    double answering100 = 0, silent100 = 0, answeringInTurn100 = 0, silentInTurn100 = 0;
    for (int events : {10, 25, 50, 100}) {
        answerAll(true);
        const double answering = TimeRefresh(root, events, ports, false);
        const double answeringInTurn = TimeRefresh(root, events, ports, true);
        answerAll(false);
        const double silent = TimeRefresh(root, events, ports, false);
        const double silentInTurn = TimeRefresh(root, events, ports, true);
        std::printf("%3d events: at once %.3f s answering, %.3f s silent; one at a time %.3f s answering, %.3f s "
                    "silent (silent servers add %.1f ms per event)\n",
                    events, answering, silent, answeringInTurn, silentInTurn,
                    (silentInTurn - answeringInTurn) * 1000.0 / events);
        answering100 = answering;
        silent100 = silent;
        answeringInTurn100 = answeringInTurn;
        silentInTurn100 = silentInTurn;
    }
    std::printf("one server at a time: %.3f s with servers answering, %.3f s with servers silent "
                "(asking all at once is %.1f and %.1f times as fast)\n",
                answeringInTurn100, silentInTurn100, answeringInTurn100 / answering100, silentInTurn100 / silent100);
    std::printf("refresh of 2000 items and 100 events: %.3f s with servers answering, %.3f s with servers silent\n",
                answering100, silent100);
    return 0;
}

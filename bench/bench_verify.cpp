// Times the check of installed files against their records:
//   zant_bench_verify verify SIM_FOLDER DATA_FOLDER ITEMS
//     reads every file of the items 1 to ITEMS ("1 Track <n>") in full, as
//     Verify Files does; prints "verify_seconds=<s>"
//   zant_bench_verify quick SIM_FOLDER DATA_FOLDER ITEM
//     the quick check of one item's files (sizes and times, nothing read);
//     prints "quick_check_seconds=<s>"
// The records lie in DATA_FOLDER\Bench League\Installed\. Exits 1 when a
// file was found changed: the figures would not be of a whole check.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "install/VerifyItems.h"

namespace {

double Seconds(const LARGE_INTEGER& start)
{
    LARGE_INTEGER frequency, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

std::unique_ptr<ContentItem> InstalledTrack(int id)
{
    auto item = std::make_unique<ContentItem>();
    item->ID = id;
    item->Name = "Track " + std::to_string(id);
    item->notInstalled = false;
    return item;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: zant_bench_verify verify|quick SIM_FOLDER DATA_FOLDER ITEMS|ITEM\n");
        return 2;
    }
    LauncherEnvironment env;
    env.simFolder = argv[2];
    env.dataFolder = argv[3];
    env.defaultLeague.name = "Bench League";
    env.installation.number = 1;
    const std::string mode = argv[1];
    const int number = std::atoi(argv[4]);
    bool same = false;
    SetMessageAnswerer([&same](const MessageCall& call) {
        same = call.text.find("Every file is as installed.") != std::string::npos;
        if (!same) std::fprintf(stderr, "message: %s\n", call.text.c_str());
        return IDOK;
    });
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (mode == "quick") {
        const auto item = InstalledTrack(number);
        same = !ItemFilesChanged(env, *item, "Track");
        std::printf("quick_check_seconds=%.3f\n", Seconds(start));
        return same ? 0 : 1;
    }
    std::vector<std::unique_ptr<ContentItem>> items;
    std::vector<ItemToVerify> checked;
    for (int id = 1; id <= number; ++id) {
        items.push_back(InstalledTrack(id));
        checked.push_back({items.back().get(), "Track"});
    }
    VerifyItems(env, checked);
    std::printf("verify_seconds=%.3f\n", Seconds(start));
    return same ? 0 : 1;
}

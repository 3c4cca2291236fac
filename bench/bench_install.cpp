// Installs one track item through the install pipeline and prints how long
// it took: download from url, unpack into the sim folder, cache record,
// downloaded file deleted.
//   zant_bench_install URL SIM_FOLDER DATA_FOLDER PACKET_SIZE WRITE_FILE_SIZE
// Prints "install_seconds=<s>"; exits 1 when the item did not end installed
// and recorded with its download gone, or a message box came up.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/MessageBox.h"
#include "app/Settings.h"
#include "install/InstallPipeline.h"
#include "net/Download.h"

namespace {

constexpr int kItemId = 301;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: zant_bench_install URL SIM_FOLDER DATA_FOLDER PACKET_SIZE WRITE_FILE_SIZE\n");
        return 2;
    }
    // Any message box means the install did not go as planned: it is
    // printed instead of waiting for a click.
    int messages = 0;
    SetMessageAnswerer([&messages](const MessageCall& call) {
        std::fprintf(stderr, "message: %s\n", call.text.c_str());
        ++messages;
        return IDOK;
    });
    WriteSettingNumber(kPacketSizeSetting, std::atoi(argv[4]));
    WriteSettingNumber(kWriteFileSizeSetting, std::atoi(argv[5]));

    LauncherEnvironment env;
    env.simFolder = std::string(argv[2]) + "\\";
    env.dataFolder = std::string(argv[3]) + "\\";
    env.defaultLeague.name = "Bench League";
    env.installation.number = 1;
    CreateDirectoryA(env.dataFolder.c_str(), nullptr);
    CreateDirectoryA(env.LeagueFolder().c_str(), nullptr);
    ContentItem item;
    item.ID = kItemId;
    item.league = &env.defaultLeague;
    item.Name = "Bench Track";
    item.File = argv[1];
    item.FileType = 1;
    item.date = ItemDate::FromParts(2026, 3, 1);
    const std::vector<std::string> profiles;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    InstallItems({&env, &profiles, nullptr}, {&item}, "Track", false);
    QueryPerformanceCounter(&end);
    std::printf("install_seconds=%.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));

    const std::string recorded = ReadIniText(env.LeagueFolder() + kSimCacheFileName,
                                             SimCacheSection(1, "Track", kItemId), "Installed", "-");
    const bool downloadGone = !Exists(env.LeagueFolder() + "Track\\" + LocalFileName(item.File));
    if (recorded != "1" || !downloadGone || messages > 0) {
        std::fprintf(stderr, "bench: recorded %s, download %s\n", recorded.c_str(), downloadGone ? "gone" : "kept");
        return 1;
    }
    return 0;
}

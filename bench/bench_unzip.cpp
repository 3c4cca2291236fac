// Extracts one archive with ExtractArchive and prints the seconds it took:
//   zant_bench_unzip ARCHIVE TARGET_FOLDER
// Prints "extract_seconds=<s>" and exits 1 when the extraction failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/MessageBox.h"
#include "install/ZipExtract.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zant_bench_unzip ARCHIVE TARGET_FOLDER\n");
        return 2;
    }
    // A failure message goes to the console instead of waiting for a click.
    SetMessageAnswerer([](const MessageCall& call) {
        std::fprintf(stderr, "message: %s\n", call.text.c_str());
        return IDOK;
    });
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool extracted = ExtractArchive(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    std::printf("extract_seconds=%.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    return extracted ? 0 : 1;
}

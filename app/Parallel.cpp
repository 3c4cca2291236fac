#include "app/Parallel.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "app/Handles.h"

namespace {

constexpr unsigned kMostWorkers = 4;
constexpr DWORD kWaitingIntervalMs = 20;

}  // namespace

unsigned ParallelWorkers()
{
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    return std::clamp<unsigned>(system.dwNumberOfProcessors, 1, kMostWorkers);
}

void RunInParallel(size_t count, const std::function<void(unsigned worker, size_t index)>& work,
                   const std::function<void()>& waiting)
{
    if (count == 0) return;
    const unsigned workers = static_cast<unsigned>(std::min<size_t>(ParallelWorkers(), count));
    std::atomic<size_t> next{0}, completed{0};
    UniqueHandle allDone(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::vector<std::thread> threads;
    for (unsigned worker = 0; worker < workers; ++worker) {
        try {
            threads.emplace_back([&, worker] {
                for (size_t index = next++; index < count; index = next++) {
                    work(worker, index);
                    if (++completed == count) SetEvent(allDone.get());
                }
            });
        } catch (const std::system_error&) {
            break;  // the threads that started take every index
        }
    }
    // Without a thread of its own the work runs here, between the waits.
    for (size_t index = threads.empty() ? 0 : count; index < count; ++index) {
        work(0, index);
        if (waiting) waiting();
    }
    while (!threads.empty() && WaitForSingleObject(allDone.get(), kWaitingIntervalMs) == WAIT_TIMEOUT)
        if (waiting) waiting();
    for (std::thread& thread : threads) thread.join();
}

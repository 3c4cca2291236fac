#pragma once
#include <cstddef>
#include <functional>

// Runs work(worker, index) for every index below count on a few worker
// threads (one per processor, at most four), each taking the next index
// when it is done with one; worker tells the threads apart, for buffers of
// their own. The calling thread meanwhile calls waiting() about every 20 ms
// (to keep its windows alive and show progress) and returns once every
// index is done. The work must not touch windows or records of the caller.
void RunInParallel(size_t count, const std::function<void(unsigned worker, size_t index)>& work,
                   const std::function<void()>& waiting = nullptr);

// How many workers RunInParallel uses.
unsigned ParallelWorkers();

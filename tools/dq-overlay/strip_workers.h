// A few threads that share out the strips of a picture conversion with the calling thread. Run
// hands out strip numbers until all are done and returns once every strip is finished, so the
// caller's buffers stay valid for exactly as long as the work needs them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class StripWorkers {
public:
    // `helpers` threads beside the caller; 0 runs everything on the caller.
    explicit StripWorkers(int helpers);
    ~StripWorkers();
    StripWorkers(const StripWorkers&) = delete;
    StripWorkers& operator=(const StripWorkers&) = delete;

    // Helpers worth having on this machine: one fewer than its processors, at most three.
    static int HelpersForThisMachine();
    int Threads() const { return int(m_threads.size()) + 1; }

    // Calls work(i) for every i in [0, count), on the helpers and the caller; one Run at a time.
    void Run(int count, const std::function<void(int)>& work);

private:
    void Help();
    // Takes and does strips until none are left; under the lock on entry and exit.
    void DoStrips(std::unique_lock<std::mutex>& lock);

    std::vector<std::thread> m_threads;
    std::mutex m_mutex; // guards what follows
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void(int)>* m_work = nullptr;
    int m_count = 0;
    int m_next = 0;
    int m_unfinished = 0;
    unsigned m_round = 0;
    bool m_quit = false;
};

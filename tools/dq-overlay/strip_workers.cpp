#include "strip_workers.h"

#include <algorithm>

StripWorkers::StripWorkers(int helpers) {
    for (int i = 0; i < helpers; ++i)
        m_threads.emplace_back(&StripWorkers::Help, this);
}

StripWorkers::~StripWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

int StripWorkers::HelpersForThisMachine() {
    const int processors = int(std::thread::hardware_concurrency());
    return std::clamp(processors - 1, 0, 3);
}

void StripWorkers::DoStrips(std::unique_lock<std::mutex>& lock) {
    while (m_work != nullptr && m_next < m_count) {
        const int strip = m_next++;
        const std::function<void(int)>* work = m_work;
        lock.unlock();
        (*work)(strip);
        lock.lock();
        if (--m_unfinished == 0)
            m_done.notify_all();
    }
}

void StripWorkers::Help() {
    std::unique_lock lock(m_mutex);
    unsigned seen = m_round;
    for (;;) {
        m_wake.wait(lock, [&] { return m_quit || m_round != seen; });
        if (m_quit)
            return;
        seen = m_round;
        DoStrips(lock);
    }
}

void StripWorkers::Run(int count, const std::function<void(int)>& work) {
    if (count <= 0)
        return;
    if (m_threads.empty() || count == 1) {
        for (int i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::unique_lock lock(m_mutex);
    m_work = &work;
    m_count = count;
    m_next = 0;
    m_unfinished = count;
    ++m_round;
    m_wake.notify_all();
    DoStrips(lock);
    m_done.wait(lock, [&] { return m_unfinished == 0; });
    m_work = nullptr;
}

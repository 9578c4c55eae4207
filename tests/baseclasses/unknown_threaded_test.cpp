#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "baseclasses/streams.h"

namespace {

class Counted : public CUnknown {
public:
    explicit Counted(std::atomic<int>* destroyed)
        : CUnknown(nullptr, nullptr), m_destroyed(destroyed) {}
    ~Counted() override { ++*m_destroyed; }

private:
    std::atomic<int>* m_destroyed;
};

} // namespace

TEST(CUnknownThreaded, ConcurrentReferencesDestroyExactlyOnce) {
    const LONG before = CBaseObject::ActiveObjectCount();
    std::atomic<int> destroyed{0};
    for (int round = 0; round < 50; ++round) {
        auto* object = new Counted(&destroyed);
        object->NonDelegatingAddRef();
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            object->NonDelegatingAddRef(); // one reference per thread, dropped by that thread
            threads.emplace_back([object] {
                for (int i = 0; i < 1000; ++i) {
                    object->NonDelegatingAddRef();
                    object->NonDelegatingRelease();
                }
                object->NonDelegatingRelease();
            });
        }
        object->NonDelegatingRelease(); // the creator's reference goes while the others work
        for (auto& t : threads)
            t.join();
    }
    EXPECT_EQ(destroyed.load(), 50);
    EXPECT_EQ(CBaseObject::ActiveObjectCount(), before);
}

TEST(CSectionLockThreaded, GuardsACounterAndIsReentrant) {
    CSectionLock lock;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                CSectionGuard outer(&lock);
                CSectionGuard inner(&lock); // the owner may enter again
                ++counter;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);
}

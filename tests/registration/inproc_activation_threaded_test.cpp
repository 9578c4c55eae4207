// Creating objects of a registered in-process server on several threads while others unload
// unused modules: every creation succeeds, and the module goes once nothing is left.
#include <atomic>
#include <thread>
#include <vector>

#include "tests/registration/activation_support.h"

TEST_F(RegistryTest, CreationsAndUnloadsOnSeveralThreads) {
    const std::string server = DQ_TEST_SERVER;
    dqtest::RegisterInprocServer(CLSID_TestServerObject, server);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                IPersist* object = nullptr;
                if (FAILED(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IPersist, reinterpret_cast<void**>(&object))))
                    ++failures;
                else
                    object->Release();
                CoFreeUnusedLibraries();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    CoFreeUnusedLibraries();
    EXPECT_FALSE(dqtest::IsLoaded(server));
}

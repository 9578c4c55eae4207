// State changes and flushes on the control thread while the streaming thread delivers samples:
// every sample is either refused with a known code or delivered exactly once.
#include <atomic>
#include <thread>

#include "in_place_test.h"

using fakes::FakeSample;
using fakes::InPlaceTest;

namespace {

class InPlaceThreadedTest : public InPlaceTest, public ::testing::WithParamInterface<BOOL> {};

} // namespace

TEST_P(InPlaceThreadedTest, SamplesAreDeliveredOnceOrRefusedWhileTheStateChanges) {
    ConnectBoth(GetParam());
    ASSERT_EQ(filter->Run(0), S_OK);

    std::atomic<bool> done{false};
    std::atomic<int> delivered{0};
    std::atomic<int> unexpected{0};
    std::thread streaming([&] {
        int n = 0;
        while (!done.load()) {
            FakeSample* sample = UpstreamSample(16);
            const HRESULT hr = filter->In()->Receive(sample);
            if (hr == S_OK)
                delivered.fetch_add(1);
            else if (hr != S_FALSE && hr != VFW_E_WRONG_STATE)
                unexpected.fetch_add(1);
            sample->Release();
            if (++n % 64 == 0) {
                const HRESULT eos = filter->In()->EndOfStream();
                if (eos != S_OK && eos != S_FALSE && eos != VFW_E_WRONG_STATE)
                    unexpected.fetch_add(1);
            }
        }
    });

    for (int round = 0; round < 300; ++round) {
        switch (round % 5) {
        case 0:
            EXPECT_EQ(filter->Stop(), S_OK);
            break;
        case 1:
            EXPECT_EQ(filter->Pause(), S_OK);
            break;
        case 2:
            EXPECT_EQ(filter->Run(round), S_OK);
            break;
        case 3:
            EXPECT_EQ(filter->In()->BeginFlush(), S_OK);
            break;
        case 4:
            EXPECT_EQ(filter->In()->EndFlush(), S_OK);
            break;
        }
        std::this_thread::yield();
    }
    done.store(true);
    streaming.join();

    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(static_cast<int>(downstream->m_received.size()), delivered.load());

    // Settled: running and not flushing, a sample goes through.
    ASSERT_EQ(filter->In()->EndFlush(), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    FakeSample* last = UpstreamSample(16);
    EXPECT_EQ(filter->In()->Receive(last), S_OK);
    EXPECT_EQ(static_cast<int>(downstream->m_received.size()), delivered.load() + 1);
    last->Release();
}

INSTANTIATE_TEST_SUITE_P(SharedAndCopied, InPlaceThreadedTest, ::testing::Values(FALSE, TRUE));

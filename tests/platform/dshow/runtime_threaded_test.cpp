// The runtime's blocking calls, woken from other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/platform/dshow/test_graph_objects.h"

using dqtest::Log;
using dqtest::Ref;
using dqtest::TestFilter;

namespace {

void SleepBriefly() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(KernelEvents, AutoResetWakesOneWaiterManualResetStaysSet) {
    HANDLE autoReset = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(autoReset, nullptr);
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(CreateEventW(nullptr, FALSE, FALSE, u"named"), nullptr);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(autoReset, INFINITE) == WAIT_OBJECT_0)
                ++woken;
        });
    // Each set releases one waiter, or stays set until one comes.
    SetEvent(autoReset);
    while (woken == 0)
        std::this_thread::yield();
    SetEvent(autoReset);
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken, 2);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);

    EXPECT_TRUE(CloseHandle(autoReset));
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(manual));
}

TEST(KernelEvents, SemaphoreCountsUpToItsMaximum) {
    EXPECT_EQ(CreateSemaphoreW(nullptr, 3, 2, nullptr), nullptr);
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 2, nullptr);
    ASSERT_NE(semaphore, nullptr);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
    EXPECT_EQ(previous, 1);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);

    std::thread releaser([&] {
        SleepBriefly();
        ReleaseSemaphore(semaphore, 1, nullptr);
    });
    EXPECT_EQ(WaitForSingleObject(semaphore, INFINITE), WAIT_OBJECT_0);
    releaser.join();
    CloseHandle(semaphore);
}

TEST(SystemClock, TimeNeverGoesBackAndAdvisesFire) {
    Ref<IReferenceClock> clock;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IReferenceClock, clock.outVoid()),
              S_OK);
    REFERENCE_TIME last = 0;
    for (int i = 0; i < 10000; ++i) {
        REFERENCE_TIME now = 0;
        ASSERT_TRUE(SUCCEEDED(clock->GetTime(&now)));
        ASSERT_GE(now, last);
        last = now;
    }

    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE never = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 100, nullptr);
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    DWORD_PTR once = 0, cancelled = 0, periodic = 0;
    ASSERT_EQ(clock->AdviseTime(now, 100'000, reinterpret_cast<HEVENT>(event), &once), S_OK);
    ASSERT_EQ(clock->AdviseTime(now, 1'000'000'000, reinterpret_cast<HEVENT>(never), &cancelled),
              S_OK);
    ASSERT_EQ(
        clock->AdvisePeriodic(now, 20'000, reinterpret_cast<HSEMAPHORE>(semaphore), &periodic),
        S_OK);
    EXPECT_EQ(clock->AdviseTime(now, 0, 0, &once), E_INVALIDARG);
    EXPECT_EQ(clock->AdvisePeriodic(now, 0, reinterpret_cast<HSEMAPHORE>(semaphore), &once),
              E_INVALIDARG);

    ASSERT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);
    REFERENCE_TIME fired = 0;
    clock->GetTime(&fired);
    EXPECT_GE(fired, now + 100'000);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(WaitForSingleObject(semaphore, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(clock->Unadvise(periodic), S_OK);
    EXPECT_EQ(clock->Unadvise(periodic), S_FALSE);
    EXPECT_EQ(clock->Unadvise(once), S_FALSE); // a one-time advise goes once it has fired

    // A time already passed fires at once.
    ASSERT_EQ(clock->AdviseTime(1, 0, reinterpret_cast<HEVENT>(event), &once), S_OK);
    EXPECT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);

    // Releasing the clock with an advise pending stops its thread; the event is never set.
    clock.reset();
    EXPECT_EQ(WaitForSingleObject(never, 0), WAIT_TIMEOUT);
    CloseHandle(event);
    CloseHandle(never);
    CloseHandle(semaphore);
}

TEST(MemoryAllocatorThreaded, GetBufferWaitsForAReleaseOrADecommit) {
    Ref<IMemAllocator> allocator;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, allocator.outVoid()),
              S_OK);
    ALLOCATOR_PROPERTIES request{1, 64, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* held = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);

    std::atomic<bool> returned{false};
    IMediaSample* second = nullptr;
    HRESULT hr = E_FAIL;
    std::thread waiter([&] {
        hr = allocator->GetBuffer(&second, nullptr, nullptr, 0);
        returned = true;
    });
    SleepBriefly();
    EXPECT_FALSE(returned) << "GetBuffer did not wait for a free buffer";
    held->Release();
    waiter.join();
    ASSERT_EQ(hr, S_OK);
    EXPECT_NE(second, nullptr);

    returned = false;
    IMediaSample* third = reinterpret_cast<IMediaSample*>(1);
    std::thread blocked([&] {
        hr = allocator->GetBuffer(&third, nullptr, nullptr, 0);
        returned = true;
    });
    SleepBriefly();
    EXPECT_FALSE(returned);
    ASSERT_EQ(allocator->Decommit(), S_OK);
    blocked.join();
    EXPECT_EQ(hr, VFW_E_NOT_COMMITTED);
    EXPECT_EQ(third, nullptr);
    second->Release();
}

TEST(MemoryAllocatorThreaded, SamplesCirculateBetweenThreads) {
    Ref<IMemAllocator> allocator;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, allocator.outVoid()),
              S_OK);
    ALLOCATOR_PROPERTIES request{3, 256, 16, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    std::vector<std::thread> workers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                IMediaSample* s = nullptr;
                if (allocator->GetBuffer(&s, nullptr, nullptr, 0) != S_OK) {
                    ++failures;
                    continue;
                }
                BYTE* p = nullptr;
                s->GetPointer(&p);
                p[0] = static_cast<BYTE>(t);
                s->SetActualDataLength(i % 256);
                s->SetDiscontinuity(TRUE);
                s->Release();
            }
        });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(failures, 0);
    ASSERT_EQ(allocator->Decommit(), S_OK);
}

TEST(FilterGraphThreaded, CompletionAndEventsArriveFromStreamingThreads) {
    Log log;
    Ref<IFilterGraph2> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph2,
                               graph.outVoid()),
              S_OK);
    Ref<TestFilter> left(TestFilter::Create("Left", &log, 1, 0));
    Ref<TestFilter> right(TestFilter::Create("Right", &log, 1, 0));
    ASSERT_EQ(graph->AddFilter(left.get(), u"Left"), S_OK);
    ASSERT_EQ(graph->AddFilter(right.get(), u"Right"), S_OK);
    Ref<IMediaControl> control;
    Ref<IMediaEvent> events;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.outVoid()), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, events.outVoid()), S_OK);
    ASSERT_EQ(control->Run(), S_OK);

    LONG code = 0;
    HRESULT waited = E_FAIL;
    std::thread app([&] { waited = events->WaitForCompletion(INFINITE, &code); });
    std::vector<std::thread> streams;
    for (TestFilter* renderer : {left.get(), right.get()})
        streams.emplace_back([renderer] {
            IMediaEventSink* sink = nullptr;
            renderer->Graph()->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink));
            for (int i = 0; i < 100; ++i)
                sink->Notify(EC_USER, i, 0);
            sink->Release();
            renderer->SendComplete();
        });
    for (auto& s : streams)
        s.join();
    app.join();
    EXPECT_EQ(waited, S_OK);
    EXPECT_EQ(code, EC_COMPLETE);

    int user = 0, complete = 0;
    LONG_PTR p1, p2;
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK)
        (code == EC_USER ? user : complete) += 1;
    EXPECT_EQ(user, 200);
    EXPECT_EQ(complete, 1);

    // A wait with nothing to come ends with the time-out, or when the graph stops.
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 30), E_ABORT);
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    std::thread stopper([&] {
        SleepBriefly();
        control->Stop();
    });
    EXPECT_EQ(events->WaitForCompletion(INFINITE, &code), VFW_E_WRONG_STATE);
    stopper.join();
}

} // namespace

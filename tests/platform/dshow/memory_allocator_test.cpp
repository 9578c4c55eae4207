#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "tests/platform/dshow/test_graph_objects.h"

using dqtest::Ref;

namespace {

void NewAllocator(Ref<IMemAllocator>& allocator) {
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, allocator.outVoid()),
              S_OK);
}

void Configure(IMemAllocator* allocator, LONG count, LONG size) {
    ALLOCATOR_PROPERTIES request{count, size, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
}

TEST(MemoryAllocator, NegotiatesAlignmentAndPrefix) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    ALLOCATOR_PROPERTIES request{2, 100, 3, 0}, actual{};
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BADALIGN);
    request.cbAlign = 0;
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BADALIGN);
    request.cbBuffer = -1;
    request.cbAlign = 4;
    EXPECT_EQ(allocator->SetProperties(&request, &actual), E_INVALIDARG);

    request = {2, 100, 64, 8};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, 2);
    EXPECT_EQ(actual.cbBuffer, 120); // 8 + 100 rounded up to 128, less the prefix
    EXPECT_EQ(actual.cbAlign, 64);
    EXPECT_EQ(actual.cbPrefix, 8);
    ALLOCATOR_PROPERTIES got{};
    ASSERT_EQ(allocator->GetProperties(&got), S_OK);
    EXPECT_EQ(std::memcmp(&got, &actual, sizeof got), 0);

    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
    IMediaSample* a = nullptr;
    IMediaSample* b = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&a, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&b, nullptr, nullptr, 0), S_OK);
    for (IMediaSample* s : {a, b}) {
        BYTE* p = nullptr;
        ASSERT_EQ(s->GetPointer(&p), S_OK);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p - 8) % 64, 0u);
        EXPECT_EQ(s->GetSize(), 120);
        EXPECT_EQ(s->GetActualDataLength(), 120);
        std::memset(p - 8, 0xAB, 128); // prefix and buffer are the sample's own
    }
    a->Release();
    b->Release();
}

// Six 16384x7282 frames take 2.1 GB together: the total passes 32 bits, each buffer does not.
TEST(MemoryAllocator, BuffersTogetherLargerThan2GBAreGivenAndAddressedWhole) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    const LONG frame = 16384 * 3 * 7282;
    ALLOCATOR_PROPERTIES request{6, frame, 16, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, 6);
    EXPECT_EQ(actual.cbBuffer, frame);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample* samples[6] = {};
    for (IMediaSample*& s : samples)
        ASSERT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    // The last buffer lies beyond 2 GB from the first; only its last page is touched.
    BYTE* first = nullptr;
    BYTE* last = nullptr;
    ASSERT_EQ(samples[0]->GetPointer(&first), S_OK);
    ASSERT_EQ(samples[5]->GetPointer(&last), S_OK);
    EXPECT_GE(uint64_t(last - first), uint64_t(5) * uint64_t(frame));
    last[frame - 1] = 0x5A;
    EXPECT_EQ(samples[5]->GetSize(), frame);
    for (IMediaSample* s : samples)
        s->Release();
    // A single buffer still has to fit its LONG size.
    ASSERT_EQ(allocator->Decommit(), S_OK);
    request = {1, INT32_MAX, 64, 0};
    EXPECT_EQ(allocator->SetProperties(&request, &actual), E_INVALIDARG);
}

TEST(MemoryAllocator, CommitAndGetBufferNeedTheirPreconditions) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    IMediaSample* sample = reinterpret_cast<IMediaSample*>(1);
    EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(sample, nullptr);
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
    EXPECT_EQ(allocator->GetBuffer(nullptr, nullptr, nullptr, 0), E_POINTER);
    Ref<IMemAllocator> other;
    NewAllocator(other);
    Configure(other.get(), 1, 16);
    Ref<IMediaSample> foreign;
    ASSERT_EQ(other->GetBuffer(foreign.out(), nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(allocator->ReleaseBuffer(foreign.get()), E_INVALIDARG);
    EXPECT_EQ(other->ReleaseBuffer(foreign.get()), E_INVALIDARG); // still referenced
}

TEST(MemoryAllocator, NoWaitReportsTimeoutUntilASampleComesBack) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    Configure(allocator.get(), 2, 32);
    IMediaSample* a = nullptr;
    IMediaSample* b = nullptr;
    IMediaSample* c = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&a, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&b, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
    EXPECT_NE(a, b);
    EXPECT_EQ(allocator->GetBuffer(&c, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    a->AddRef();
    a->Release(); // still held once
    EXPECT_EQ(allocator->GetBuffer(&c, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    a->Release();
    ASSERT_EQ(allocator->GetBuffer(&c, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
    EXPECT_EQ(c, a);
    b->Release();
    c->Release();
}

TEST(MemoryAllocator, SamplesOutstandingAtDecommitLiveUntilReleased) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    Configure(allocator.get(), 2, 64);
    IMediaSample* held = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(allocator->Decommit(), S_OK);
    IMediaSample* more = nullptr;
    EXPECT_EQ(allocator->GetBuffer(&more, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ALLOCATOR_PROPERTIES request{4, 64, 1, 0}, actual{};
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BUFFERS_OUTSTANDING);
    BYTE* p = nullptr;
    ASSERT_EQ(held->GetPointer(&p), S_OK);
    std::memset(p, 1, 64); // the memory is still the sample's

    held->Release();
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);

    held->Release();
}

TEST(MemoryAllocator, SampleKeepsItsAllocatorAlive) {
    IMemAllocator* allocator = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMemAllocator, reinterpret_cast<void**>(&allocator)),
              S_OK);
    Configure(allocator, 1, 64);
    IMediaSample* held = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    allocator->Decommit();
    allocator->Release(); // the last reference but the sample's
    BYTE* p = nullptr;
    ASSERT_EQ(held->GetPointer(&p), S_OK);
    std::memset(p, 2, 64);
    held->Release();
}

TEST(MediaSample, TimesFlagsAndLengthsAreKeptAndResetOnReturn) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    Configure(allocator.get(), 1, 100);
    IMediaSample* s = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&s, nullptr, nullptr, 0), S_OK);

    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(s->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME t0 = 1000, t1 = 2000;
    ASSERT_EQ(s->SetTime(&t0, nullptr), S_OK);
    EXPECT_EQ(s->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, 1000);
    EXPECT_EQ(stop, 1001);
    ASSERT_EQ(s->SetTime(&t0, &t1), S_OK);
    EXPECT_EQ(s->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 2000);
    LONGLONG m0 = 5, m1 = 6;
    EXPECT_EQ(s->GetMediaTime(&m0, &m1), VFW_E_MEDIA_TIME_NOT_SET);
    ASSERT_EQ(s->SetMediaTime(&m0, &m1), S_OK);

    EXPECT_EQ(s->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(s->SetSyncPoint(TRUE), S_OK);
    EXPECT_EQ(s->IsSyncPoint(), S_OK);
    EXPECT_EQ(s->SetPreroll(TRUE), S_OK);
    EXPECT_EQ(s->IsPreroll(), S_OK);
    EXPECT_EQ(s->SetDiscontinuity(TRUE), S_OK);
    EXPECT_EQ(s->IsDiscontinuity(), S_OK);

    EXPECT_EQ(s->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->GetActualDataLength(), 100);
    EXPECT_EQ(s->SetActualDataLength(40), S_OK);
    EXPECT_EQ(s->GetActualDataLength(), 40);
    s->Release();

    // The same buffer again, without anything the last user set; times given are set.
    REFERENCE_TIME g0 = 7, g1 = 9;
    ASSERT_EQ(allocator->GetBuffer(&s, &g0, &g1, 0), S_OK);
    EXPECT_EQ(s->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(start, 7);
    EXPECT_EQ(stop, 9);
    EXPECT_EQ(s->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(s->IsPreroll(), S_FALSE);
    EXPECT_EQ(s->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(s->GetMediaTime(&m0, &m1), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(s->GetActualDataLength(), 100);
    s->Release();
}

TEST(MediaSample, MediaTypeIsCopiedInAndOut) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    Configure(allocator.get(), 1, 16);
    Ref<IMediaSample> s;
    ASSERT_EQ(allocator->GetBuffer(s.out(), nullptr, nullptr, 0), S_OK);
    AM_MEDIA_TYPE* got = reinterpret_cast<AM_MEDIA_TYPE*>(1);
    EXPECT_EQ(s->GetMediaType(&got), S_FALSE);
    EXPECT_EQ(got, nullptr);

    VIDEOINFOHEADER format{};
    format.bmiHeader.biWidth = 320;
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof format;
    type.pbFormat = reinterpret_cast<BYTE*>(&format);
    ASSERT_EQ(s->SetMediaType(&type), S_OK);
    format.bmiHeader.biWidth = 1; // the sample holds its own copy

    ASSERT_EQ(s->GetMediaType(&got), S_OK);
    ASSERT_NE(got, nullptr);
    EXPECT_TRUE(IsEqualGUID(got->subtype, MEDIASUBTYPE_RGB24));
    ASSERT_EQ(got->cbFormat, sizeof format);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(got->pbFormat)->bmiHeader.biWidth, 320);
    CoTaskMemFree(got->pbFormat);
    CoTaskMemFree(got);

    Ref<IMediaSample2> s2;
    ASSERT_EQ(s->QueryInterface(IID_IMediaSample2, s2.outVoid()), S_OK);
    AM_SAMPLE2_PROPERTIES props{};
    ASSERT_EQ(s2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), S_OK);
    EXPECT_NE(props.dwSampleFlags & AM_SAMPLE_TYPECHANGED, 0u);
    ASSERT_NE(props.pMediaType, nullptr);
    EXPECT_TRUE(IsEqualGUID(props.pMediaType->subtype, MEDIASUBTYPE_RGB24));

    ASSERT_EQ(s->SetMediaType(nullptr), S_OK);
    EXPECT_EQ(s->GetMediaType(&got), S_FALSE);
}

TEST(MediaSample, PropertiesRecordIsBoundedAndAppliedWhole) {
    Ref<IMemAllocator> allocator;
    NewAllocator(allocator);
    Configure(allocator.get(), 1, 50);
    Ref<IMediaSample> s;
    ASSERT_EQ(allocator->GetBuffer(s.out(), nullptr, nullptr, 0), S_OK);
    Ref<IMediaSample2> s2;
    ASSERT_EQ(s->QueryInterface(IID_IMediaSample2, s2.outVoid()), S_OK);

    AM_SAMPLE2_PROPERTIES props{};
    BYTE big[sizeof props + 8] = {};
    EXPECT_EQ(s2->GetProperties(sizeof big, big), E_INVALIDARG);
    EXPECT_EQ(s2->SetProperties(sizeof big, big), E_INVALIDARG);
    ASSERT_EQ(s2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), S_OK);
    EXPECT_EQ(props.cbData, sizeof props);
    EXPECT_EQ(props.lActual, 50);
    EXPECT_EQ(props.cbBuffer, 50);
    BYTE* p = nullptr;
    s->GetPointer(&p);
    EXPECT_EQ(props.pbBuffer, p);

    props.dwSampleFlags = AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    props.tStart = 10;
    props.tStop = 20;
    props.lActual = 51;
    EXPECT_EQ(s2->SetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)),
              VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s->IsSyncPoint(), S_FALSE); // nothing was applied
    props.lActual = 30;
    props.pbBuffer = p + 1;
    EXPECT_EQ(s2->SetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), E_INVALIDARG);

    // The fields before the media type only, as a copying filter passes them on.
    props.dwStreamId = AM_STREAM_CONTROL;
    ASSERT_EQ(s2->SetProperties(offsetof(AM_SAMPLE2_PROPERTIES, pMediaType),
                                reinterpret_cast<BYTE*>(&props)),
              S_OK);
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(s->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 20);
    EXPECT_EQ(s->IsSyncPoint(), S_OK);
    EXPECT_EQ(s->GetActualDataLength(), 30);
    AM_SAMPLE2_PROPERTIES back{};
    ASSERT_EQ(s2->GetProperties(sizeof back, reinterpret_cast<BYTE*>(&back)), S_OK);
    EXPECT_EQ(back.dwStreamId, static_cast<DWORD>(AM_STREAM_CONTROL));
}

} // namespace

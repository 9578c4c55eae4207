#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/platform/dshow/test_graph_objects.h"

using dqtest::Ref;

namespace {

DQ_DEFINE_GUID(kUnknownClass, 0x12345678, 0x1234, 0x1234, 0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x9A,
               0xBC);

TEST(CoCreateInstance, CreatesTheRuntimeClasses) {
    const CLSID* classes[] = {&CLSID_MemoryAllocator, &CLSID_SystemClock, &CLSID_SeekingPassThru,
                              &CLSID_FilterGraph};
    for (const CLSID* clsid : classes) {
        Ref<IUnknown> object;
        EXPECT_EQ(CoCreateInstance(*clsid, nullptr, CLSCTX_ALL, IID_IUnknown, object.outVoid()),
                  S_OK);
        EXPECT_NE(object.get(), nullptr);
    }
    Ref<IReferenceClock> clock;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IReferenceClock, clock.outVoid()),
              S_OK);
}

TEST(CoCreateInstance, RefusesWithWindowsCodesAndANullResult) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
        E_POINTER);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &out),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IMediaSample, &out),
              E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    // Aggregation: refused by a class that cannot be aggregated; for one that can, only the
    // inner unknown may be asked for.
    Ref<IUnknown> outer;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               outer.outVoid()),
              S_OK);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(
        CoCreateInstance(CLSID_FilterGraph, outer.get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
        CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_SeekingPassThru, outer.get(), CLSCTX_INPROC_SERVER,
                               IID_IMediaSeeking, &out),
              E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST(CoGetClassObject, HandsOutAFactoryThatCreates) {
    Ref<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_MemoryAllocator, CLSCTX_INPROC_SERVER, nullptr,
                               IID_IClassFactory, factory.outVoid()),
              S_OK);
    Ref<IMemAllocator> allocator;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMemAllocator, allocator.outVoid()), S_OK);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(
        CoGetClassObject(kUnknownClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &out),
        REGDB_E_CLASSNOTREG);
    EXPECT_EQ(out, nullptr);
}

} // namespace

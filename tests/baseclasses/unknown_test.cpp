#include <gtest/gtest.h>

#include <cstring>

#include "baseclasses/streams.h"

namespace {

DQ_DEFINE_GUID(IID_ITestThing, 0x5E1D0001, 0x1111, 0x2222, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99,
               0xAA);

struct ITestThing : public IUnknown {
    STDMETHOD_(int, Value)() PURE;
};

// An object with one interface of its own; counts its destructions.
class Thing : public CUnknown, public ITestThing {
public:
    Thing(IUnknown* outer, int* destroyed)
        : CUnknown(WSTR("Thing"), outer), m_destroyed(destroyed) {}
    ~Thing() override {
        ++*m_destroyed;
        if (m_touchInDestructor) {
            NonDelegatingAddRef();
            NonDelegatingRelease();
        }
    }
    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_ITestThing)
            return GetInterface(static_cast<ITestThing*>(this), ppv);
        return CUnknown::NonDelegatingQueryInterface(riid, ppv);
    }
    STDMETHODIMP_(int) Value() override { return 42; }
    IUnknown* Inner() { return NonDelegatingUnknown(); }

    bool m_touchInDestructor = false;

private:
    int* m_destroyed;
};

// A hand-written outer object that counts the calls reaching it.
struct Outer : IUnknown {
    int queries = 0;
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        ++queries;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

} // namespace

TEST(CUnknown, CountsReferencesAndIsDestroyedOnceAtZero) {
    const LONG before = CBaseObject::ActiveObjectCount();
    int destroyed = 0;
    auto* thing = new Thing(nullptr, &destroyed);
    EXPECT_EQ(CBaseObject::ActiveObjectCount(), before + 1);
    EXPECT_EQ(thing->NonDelegatingAddRef(), 1u);
    EXPECT_EQ(thing->NonDelegatingAddRef(), 2u);
    EXPECT_EQ(thing->NonDelegatingRelease(), 1u);
    EXPECT_EQ(destroyed, 0);
    thing->m_touchInDestructor = true; // AddRef/Release inside the destructor
    EXPECT_EQ(thing->NonDelegatingRelease(), 0u);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(CBaseObject::ActiveObjectCount(), before);
}

TEST(CUnknown, DelegatingCallsOfAPlainObjectReachItsOwnCount) {
    int destroyed = 0;
    auto* thing = new Thing(nullptr, &destroyed);
    ITestThing* itf = nullptr;
    ASSERT_EQ(thing->NonDelegatingQueryInterface(IID_ITestThing, reinterpret_cast<void**>(&itf)),
              S_OK);
    EXPECT_EQ(itf->Value(), 42);
    IUnknown* unk = nullptr;
    ASSERT_EQ(itf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
    EXPECT_EQ(unk, thing->Inner()); // identity: the non-delegating unknown
    EXPECT_EQ(unk->Release(), 1u);
    EXPECT_EQ(itf->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

TEST(CUnknown, AggregatedObjectDelegatesToItsOuterButKeepsItsOwnCount) {
    Outer outer;
    int destroyed = 0;
    auto* thing = new Thing(&outer, &destroyed);
    EXPECT_EQ(thing->GetOuterUnknown(), &outer);

    // The aggregator asks for the inner unknown: the inner count rises, not the outer one.
    IUnknown* inner = nullptr;
    ASSERT_EQ(thing->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    EXPECT_EQ(inner, thing->Inner());
    EXPECT_EQ(outer.refs, 1);

    ITestThing* itf = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_ITestThing, reinterpret_cast<void**>(&itf)), S_OK);
    EXPECT_EQ(outer.refs, 2); // handed out through the delegating AddRef
    void* other = nullptr;
    itf->QueryInterface(IID_IPersist, &other);
    EXPECT_EQ(outer.queries, 1);
    itf->Release();
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

TEST(CUnknown, RefusesUnknownInterfacesAndNullOutPointers) {
    int destroyed = 0;
    auto* thing = new Thing(nullptr, &destroyed);
    thing->NonDelegatingAddRef();
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(thing->NonDelegatingQueryInterface(IID_IPersist, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(thing->NonDelegatingQueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(GetInterface(thing->Inner(), nullptr), E_POINTER);
    EXPECT_EQ(thing->NonDelegatingRelease(), 0u); // no reference leaked by the refusals
}

TEST(AllocWideString, CopiesTheTerminatorIntoTaskMemory) {
    LPWSTR out = nullptr;
    ASSERT_EQ(AllocWideString(WSTR("In"), &out), S_OK);
    EXPECT_EQ(std::memcmp(out, u"In", 6), 0);
    CoTaskMemFree(out);
    ASSERT_EQ(AllocWideString(WSTR(""), &out), S_OK);
    EXPECT_EQ(out[0], 0);
    CoTaskMemFree(out);
    EXPECT_EQ(AllocWideString(WSTR("x"), nullptr), E_POINTER);
}

TEST(Guid, ComparesAllSixteenBytes) {
    GUID a = IID_ITestThing;
    GUID b = IID_ITestThing;
    EXPECT_TRUE(a == b);
    b.Data4[7] ^= 1;
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a == b);
}

TEST(CRefTime, ArithmeticAndMilliseconds) {
    CRefTime start = 10'000'000;
    CRefTime now = 25'009'999;
    EXPECT_EQ(REFERENCE_TIME(now - start), 15'009'999);
    EXPECT_EQ((now - start).Millisecs(), 1500);
    EXPECT_EQ(CRefTime(-19'999).Millisecs(), -1); // truncates toward zero
}

#include <gtest/gtest.h>

#include "framework_fakes.h"
#include "test_filter.h"

using fakes::MakeType;
using fakes::TestFilter;
using fakes::TestPin;

namespace {

class EnumPinsTest : public ::testing::Test {
protected:
    void SetUp() override {
        filter = new TestFilter();
        filter->Itf()->AddRef();
        in = filter->AddPin(WSTR("In"), PINDIR_INPUT);
        out = filter->AddPin(WSTR("Out"), PINDIR_OUTPUT);
        ASSERT_EQ(filter->EnumPins(&pins), S_OK);
    }
    void TearDown() override {
        if (pins != nullptr)
            pins->Release();
        EXPECT_EQ(filter->Itf()->Release(), 0u);
    }
    // Releases what Next handed out.
    static void Drop(IPin** got, ULONG n) {
        for (ULONG i = 0; i < n; ++i)
            got[i]->Release();
    }

    TestFilter* filter = nullptr;
    TestPin* in = nullptr;
    TestPin* out = nullptr;
    IEnumPins* pins = nullptr;
};

} // namespace

TEST_F(EnumPinsTest, HandsOutEveryPinOnceWithAReference) {
    const LONG refsBefore = filter->Refs();
    IPin* got[3] = {};
    ULONG fetched = 99;
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(got[0], static_cast<IPin*>(in));
    EXPECT_EQ(got[1], static_cast<IPin*>(out));
    EXPECT_EQ(filter->Refs(), refsBefore + 2);
    Drop(got, 2);

    EXPECT_EQ(pins->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(pins->Next(0, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(EnumPinsTest, RefusesSeveralWithoutACountAndLeavesTheArrayAlone) {
    IPin* got[2] = {nullptr, nullptr};
    EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
    EXPECT_EQ(got[0], nullptr);
    EXPECT_EQ(pins->Next(1, got, nullptr), S_OK);
    Drop(got, 1);
}

TEST_F(EnumPinsTest, ResetStartsOverAndACloneDoesNotRepeatWhatWasSeen) {
    IPin* got[2] = {};
    ASSERT_EQ(pins->Next(1, got, nullptr), S_OK);
    Drop(got, 1);

    IEnumPins* clone = nullptr;
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    ULONG fetched = 0;
    EXPECT_EQ(clone->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], static_cast<IPin*>(out));
    Drop(got, 1);
    clone->Release();

    EXPECT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    Drop(got, 2);
}

TEST_F(EnumPinsTest, SkipStaysWithinThePins) {
    EXPECT_EQ(pins->Skip(3), S_FALSE);
    EXPECT_EQ(pins->Skip(1), S_OK);
    IPin* got[1] = {};
    ASSERT_EQ(pins->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0], static_cast<IPin*>(out));
    Drop(got, 1);
}

TEST_F(EnumPinsTest, AChangedPinSetRefusesSkipAndCloneButNextResynchronises) {
    IPin* got[2] = {};
    ASSERT_EQ(pins->Next(1, got, nullptr), S_OK);
    Drop(got, 1);
    filter->m_pinVersion = 2;
    IEnumPins* clone = reinterpret_cast<IEnumPins*>(1);
    EXPECT_EQ(pins->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);

    // Back at the start, but the pin already handed out is not handed out again.
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], static_cast<IPin*>(out));
    Drop(got, 1);
}

TEST_F(EnumPinsTest, AMissingPinBelowTheCountIsOutOfSync) {
    filter->m_missingPins = 1;
    pins->Reset();
    IPin* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(3, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
    Drop(got, 2); // the two real pins were stored with their references
}

TEST(EnumMediaTypes, AsksThePinAtEveryStepAndGivesTheCallerOwnedCopies) {
    auto* filter = new TestFilter();
    filter->Itf()->AddRef();
    TestPin* pin = filter->AddPin(WSTR("In"), PINDIR_INPUT);
    pin->m_types.push_back(MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 12, 3));

    IEnumMediaTypes* types = nullptr;
    ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* got[2] = {};
    ULONG fetched = 9;
    EXPECT_EQ(types->Next(0, got, &fetched), S_OK); // unlike the pin enumerator
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(types->Next(1, got, &fetched), S_OK);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0]->subtype, MEDIASUBTYPE_RGB24);
    ASSERT_EQ(got[0]->cbFormat, 12u);
    EXPECT_EQ(got[0]->pbFormat[11], 3);
    DestroyMediaType(got[0]);
    EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    // A second type appears: the enumerator reports what the pin says now.
    pin->m_types.push_back(MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32));
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    DestroyMediaType(got[0]);
    DestroyMediaType(got[1]);
    EXPECT_EQ(types->Next(2, got, nullptr), E_INVALIDARG);

    types->Release();
    EXPECT_EQ(filter->Itf()->Release(), 0u); // the enumerator gave its reference back
}

TEST(EnumMediaTypes, SkipPastTheEndAndVersionChanges) {
    auto* filter = new TestFilter();
    filter->Itf()->AddRef();
    TestPin* pin = filter->AddPin(WSTR("In"), PINDIR_INPUT);
    pin->m_types.push_back(MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24));
    pin->m_types.push_back(MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32));

    IEnumMediaTypes* types = nullptr;
    ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
    EXPECT_EQ(types->Skip(2), S_OK);
    EXPECT_EQ(types->Skip(1), S_FALSE);
    AM_MEDIA_TYPE* got[1] = {};
    ULONG fetched = 5;
    EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(types->Skip(0xFFFFFFFFu), S_FALSE); // stays at the end, no wrap to the start

    pin->m_typeVersion = 2;
    EXPECT_EQ(types->Skip(0), S_OK);
    EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(types->Next(1, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
    IEnumMediaTypes* clone = nullptr;
    EXPECT_EQ(types->Clone(&clone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(types->Reset(), S_OK);
    ASSERT_EQ(types->Clone(&clone), S_OK);
    EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
    DestroyMediaType(got[0]);
    clone->Release();
    types->Release();
    filter->Itf()->Release();
}

#include <gtest/gtest.h>

#include "framework_fakes.h"

using fakes::MakeType;

namespace {

// An extra unknown that counts its references.
struct CountedUnknown : IUnknown {
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

} // namespace

TEST(CMediaType, StartsEmptyWithOneByteFixedSizeSamples) {
    CMediaType t;
    EXPECT_EQ(t.majortype, GUID_NULL);
    EXPECT_EQ(t.formattype, GUID_NULL);
    EXPECT_EQ(t.lSampleSize, 1u);
    EXPECT_EQ(t.bFixedSizeSamples, TRUE);
    EXPECT_EQ(t.cbFormat, 0u);
    EXPECT_EQ(t.pbFormat, nullptr);
    EXPECT_TRUE(t.IsPartial());
}

TEST(CMediaType, DeepCopyOwnsItsFormatAndCountsTheExtraUnknownOnce) {
    CountedUnknown extra;
    CMediaType source = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 16, 0xAB);
    AM_MEDIA_TYPE copy;
    source.pUnk = &extra;
    extra.AddRef();
    ASSERT_EQ(CopyMediaTypeDeep(&copy, &source), S_OK);
    EXPECT_EQ(extra.refs, 3);
    EXPECT_NE(copy.pbFormat, source.pbFormat);
    source.pbFormat[0] = 0;
    EXPECT_EQ(copy.pbFormat[0], 0xAB);
    ReleaseFormat(&copy);
    EXPECT_EQ(extra.refs, 2);
    EXPECT_EQ(copy.pbFormat, nullptr);
    EXPECT_EQ(copy.cbFormat, 0u);
    EXPECT_EQ(copy.majortype, MEDIATYPE_Video); // other fields stay
    source.ReleaseFormat();
    EXPECT_EQ(extra.refs, 1);
}

TEST(CMediaType, AssignToItselfKeepsTheFormatAndAssignReplacesAnother) {
    CMediaType t = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 8, 7);
    EXPECT_EQ(t.Assign(t), S_OK);
    ASSERT_EQ(t.cbFormat, 8u);
    EXPECT_EQ(t.pbFormat[7], 7);

    CMediaType other = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_None);
    EXPECT_EQ(t.Assign(other), S_OK);
    EXPECT_EQ(t.subtype, MEDIASUBTYPE_RGB32);
    EXPECT_EQ(t.cbFormat, 0u);
}

TEST(CMediaType, EqualityLooksAtTypesAndFormatOnly) {
    CMediaType a = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 4, 1);
    CMediaType b = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 4, 1);
    b.lSampleSize = 1234;
    b.bFixedSizeSamples = FALSE;
    EXPECT_TRUE(a == b);
    b.pbFormat[3] = 2;
    EXPECT_TRUE(a != b);
    CMediaType c = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 5, 1);
    EXPECT_TRUE(a != c);
}

TEST(CMediaType, TemplateMatchesOnTheFieldsItSets) {
    CMediaType type = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 4, 9);
    CMediaType majorOnly = MakeType(MEDIATYPE_Video, GUID_NULL);
    EXPECT_TRUE(majorOnly.IsPartial());
    EXPECT_TRUE(type.MatchesTemplate(&majorOnly));
    EXPECT_FALSE(MakeType(FORMAT_None, GUID_NULL).MatchesTemplate(&majorOnly));

    CMediaType wrongSub = MakeType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32);
    EXPECT_FALSE(type.MatchesTemplate(&wrongSub));

    CMediaType sameFormat = MakeType(GUID_NULL, GUID_NULL, FORMAT_VideoInfo, 4, 9);
    CMediaType otherBlock = MakeType(GUID_NULL, GUID_NULL, FORMAT_VideoInfo, 4, 8);
    EXPECT_TRUE(type.MatchesTemplate(&sameFormat));
    EXPECT_FALSE(type.MatchesTemplate(&otherBlock));
}

TEST(CPointerList, AppendsFindsAndCopiesInOrder) {
    int a = 0, b = 0, c = 0;
    CPointerList list;
    ASSERT_NE(list.Append(&a), nullptr);
    ASSERT_NE(list.Append(&b), nullptr);
    EXPECT_NE(list.Contains(&b), nullptr);
    EXPECT_EQ(list.Contains(&c), nullptr);

    CPointerList copy;
    copy.Append(&c);
    EXPECT_TRUE(copy.AppendAll(list));
    ASSERT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.First()->m_pObject, &c);
    EXPECT_EQ(copy.First()->m_pNext->m_pNext->m_pObject, &b);

    // Appending a list to itself ends, with each object once more.
    EXPECT_TRUE(list.AppendAll(list));
    EXPECT_EQ(list.GetCount(), 4);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.Contains(&a), nullptr);
}

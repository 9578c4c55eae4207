// The filter mappers over a registry of their own: registration in both layouts, searches by
// merit, pin and type, the monikers and property bags, and what another process sees.
#include <sys/wait.h>
#include <unistd.h>

#include "tests/platform/dshow/mapper_support.h"

using dqtest::FindByInput;
using dqtest::FoundEntry;
using dqtest::Ref;

namespace {

DQ_DEFINE_GUID(kFilterA, 0xA0000001, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(kFilterB, 0xA0000002, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(kFilterC, 0xA0000003, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(kCategory, 0xC0000001, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
DQ_DEFINE_GUID(kAudio, 0x73647561, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71);

const REGPINTYPES kRgb24 = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24};
const REGPINTYPES kAnyVideo = {&MEDIATYPE_Video, &GUID_NULL};

// A transform filter: one input and one output pin of the given type.
struct Transform {
    REGFILTERPINS pins[2];
    REGFILTER2 rf{};
    Transform(const REGPINTYPES* type, DWORD merit, BOOL renderedInput = FALSE) {
        pins[0] = {const_cast<LPWSTR>(u"In"),
                   renderedInput,
                   FALSE,
                   FALSE,
                   FALSE,
                   nullptr,
                   u"Out",
                   1,
                   type};
        pins[1] = {const_cast<LPWSTR>(u"Out"), FALSE, TRUE, FALSE, FALSE, nullptr, u"In", 1, type};
        rf.dwVersion = 1;
        rf.dwMerit = merit;
        rf.cPins = 2;
        rf.rgPins = pins;
    }
};

class FilterMapperTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterMapper2, m_mapper.outVoid()),
                  S_OK);
        ASSERT_EQ(m_mapper->QueryInterface(IID_IFilterMapper, m_old.outVoid()), S_OK);
    }
    HRESULT Register(const CLSID& clsid, const char16_t* name, const REGFILTER2& rf,
                     const CLSID* category = nullptr) {
        return m_mapper->RegisterFilter(clsid, name, nullptr, category, nullptr, &rf);
    }
    static std::vector<std::u16string> Names(const std::vector<FoundEntry>& found) {
        std::vector<std::u16string> names;
        for (const FoundEntry& f : found)
            names.push_back(f.name);
        return names;
    }

    Ref<IFilterMapper2> m_mapper;
    Ref<IFilterMapper> m_old;
};

TEST_F(FilterMapperTest, RegisteredFilterIsFoundByItsInputTypeWithItsWholeEntry) {
    Transform t(&kRgb24, MERIT_DO_NOT_USE);
    Ref<IMoniker> moniker;
    ASSERT_EQ(m_mapper->RegisterFilter(kFilterA, u"A", moniker.out(), nullptr, nullptr, &t.rf),
              S_OK);
    ASSERT_NE(moniker.get(), nullptr);

    auto found = FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].displayName, dqtest::ReadEntry(moniker.get()).displayName);
    EXPECT_EQ(found[0].displayName, u"@device:sw:" + dqtest::Text(CLSID_LegacyAmFilterCategory) +
                                        u"\\" + dqtest::Text(kFilterA));
    EXPECT_EQ(found[0].name, u"A");
    EXPECT_TRUE(IsEqualGUID(found[0].clsid, kFilterA));
    EXPECT_EQ(found[0].merit, DWORD{MERIT_DO_NOT_USE});
    ASSERT_EQ(found[0].pins.size(), 2u);
    EXPECT_EQ(found[0].pins[0].name, u"In");
    EXPECT_FALSE(found[0].pins[0].IsOutput());
    EXPECT_EQ(found[0].pins[1].name, u"Out");
    EXPECT_TRUE(found[0].pins[1].IsOutput());
    EXPECT_EQ(found[0].pins[1].connectsToPin, u"In");
    ASSERT_EQ(found[0].pins[1].types.size(), 1u);
    EXPECT_TRUE(IsEqualGUID(found[0].pins[1].types[0].second, MEDIASUBTYPE_RGB24));

    // Other types, a higher merit, and rendering all leave it out.
    EXPECT_TRUE(FindByInput(kAudio, GUID_NULL).empty());
    EXPECT_TRUE(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB32).empty());
    EXPECT_TRUE(FindByInput(MEDIATYPE_Video, GUID_NULL, MERIT_NORMAL).empty());
    EXPECT_EQ(FindByInput(MEDIATYPE_Video, GUID_NULL).size(), 1u);
    Ref<IEnumMoniker> rendering;
    const GUID types[2] = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24};
    ASSERT_EQ(m_mapper->EnumMatchingFilters(rendering.out(), 0, FALSE, 0, TRUE, 1, types, nullptr,
                                            nullptr, TRUE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_TRUE(dqtest::Drain(rendering.get()).empty());
}

TEST_F(FilterMapperTest, SearchOrdersByMeritAndHonoursExactMatch) {
    Transform low(&kRgb24, MERIT_UNLIKELY), high(&kRgb24, MERIT_PREFERRED);
    Transform wildcard(&kAnyVideo, MERIT_NORMAL);
    ASSERT_EQ(Register(kFilterA, u"low", low.rf), S_OK);
    ASSERT_EQ(Register(kFilterB, u"high", high.rf), S_OK);
    ASSERT_EQ(Register(kFilterC, u"any video", wildcard.rf), S_OK);

    EXPECT_EQ(Names(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)),
              (std::vector<std::u16string>{u"high", u"any video", u"low"}));
    // A registered GUID_NULL subtype is a wildcard only when the match need not be exact.
    EXPECT_EQ(Names(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, 0, TRUE)),
              (std::vector<std::u16string>{u"high", u"low"}));
    EXPECT_EQ(Names(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, MERIT_NORMAL)),
              (std::vector<std::u16string>{u"high", u"any video"}));

    // Registering again replaces the entry.
    Transform lower(&kRgb24, MERIT_DO_NOT_USE);
    ASSERT_EQ(Register(kFilterB, u"high, now lowest", lower.rf), S_OK);
    EXPECT_EQ(Names(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)),
              (std::vector<std::u16string>{u"any video", u"low", u"high, now lowest"}));
}

TEST_F(FilterMapperTest, UnregisterRemovesTheEntryAndReportsWhenThereWasNone) {
    Transform t(&kRgb24, MERIT_NORMAL);
    ASSERT_EQ(Register(kFilterA, u"A", t.rf), S_OK);
    EXPECT_EQ(m_mapper->UnregisterFilter(nullptr, nullptr, kFilterA), S_OK);
    EXPECT_TRUE(FindByInput(GUID_NULL, GUID_NULL).empty());
    EXPECT_EQ(m_mapper->UnregisterFilter(nullptr, nullptr, kFilterA),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_mapper->UnregisterFilter(nullptr, u"bad\\name", kFilterA), E_INVALIDARG);
}

TEST_F(FilterMapperTest, CategoriesVersionTwoPinsAndBadRecords) {
    // A category of "do not use" merit is searched only when low merits are asked for.
    ASSERT_EQ(m_mapper->CreateCategory(kCategory, MERIT_DO_NOT_USE, u"Test category"), S_OK);
    EXPECT_EQ(dqtest::RegText(u"CLSID\\" + dqtest::Text(CLSID_ActiveMovieCategories) +
                                  u"\\Instance\\" + dqtest::Text(kCategory),
                              u"FriendlyName"),
              u"Test category");
    const REGPINMEDIUM medium = {kFilterC, 1, 2};
    const REGFILTERPINS2 pin2 = {REG_PINFLAG_B_RENDERER, 1, 1, &kRgb24, 1, &medium, &kCategory};
    REGFILTER2 rf{};
    rf.dwVersion = 2;
    rf.dwMerit = MERIT_PREFERRED;
    rf.cPins2 = 1;
    rf.rgPins2 = &pin2;
    ASSERT_EQ(Register(kFilterA, u"renderer", rf, &kCategory), S_OK);

    EXPECT_EQ(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, MERIT_DO_NOT_USE).size(), 1u);
    EXPECT_TRUE(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, MERIT_NORMAL).empty());

    auto search = [&](const REGPINMEDIUM* m, const CLSID* category, BOOL exact) {
        Ref<IEnumMoniker> e;
        EXPECT_EQ(m_mapper->EnumMatchingFilters(e.out(), 0, exact, 0, TRUE, 0, nullptr, m, category,
                                                TRUE, FALSE, 0, nullptr, nullptr, nullptr),
                  S_OK);
        return dqtest::Drain(e.get()).size();
    };
    const REGPINMEDIUM otherMedium = {kFilterC, 1, 3};
    EXPECT_EQ(search(&medium, &kCategory, TRUE), 1u);
    EXPECT_EQ(search(&otherMedium, nullptr, FALSE), 0u);
    EXPECT_EQ(search(nullptr, &kFilterB, FALSE), 0u);

    // Versions other than 1 and 2, and arrays that are not there, are refused.
    rf.dwVersion = 3;
    EXPECT_EQ(Register(kFilterB, u"bad", rf), E_INVALIDARG);
    rf.dwVersion = 2;
    rf.rgPins2 = nullptr;
    EXPECT_EQ(Register(kFilterB, u"bad", rf), E_POINTER);
    IEnumMoniker* e = reinterpret_cast<IEnumMoniker*>(1);
    EXPECT_EQ(m_mapper->EnumMatchingFilters(&e, 0, FALSE, 0, TRUE, 1, nullptr, nullptr, nullptr,
                                            FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              E_POINTER);
    EXPECT_EQ(e, nullptr);
}

TEST_F(FilterMapperTest, OriginalInterfaceKeepsTheClassicLayoutAndBothSearchesSeeIt) {
    const std::u16string id = dqtest::Text(kFilterA);
    EXPECT_EQ(m_old->RegisterPin(kFilterA, u"In", FALSE, FALSE, FALSE, FALSE, GUID_NULL, u"Out"),
              VFW_E_NOT_FOUND); // no filter yet
    ASSERT_EQ(m_old->RegisterFilter(kFilterA, u"Classic", MERIT_NORMAL), S_OK);
    ASSERT_EQ(m_old->RegisterPin(kFilterA, u"In", TRUE, FALSE, FALSE, TRUE, GUID_NULL, u""), S_OK);
    ASSERT_EQ(m_old->RegisterPinType(kFilterA, u"In", MEDIATYPE_Video, MEDIASUBTYPE_RGB24), S_OK);
    EXPECT_EQ(m_old->RegisterPinType(kFilterA, u"Nope", MEDIATYPE_Video, GUID_NULL),
              VFW_E_NOT_FOUND);
    EXPECT_EQ(m_old->RegisterPin(kFilterA, u"a\\b", FALSE, FALSE, FALSE, FALSE, GUID_NULL, u""),
              E_INVALIDARG);

    EXPECT_EQ(dqtest::RegText(u"Filter\\" + id, nullptr), u"Classic");
    EXPECT_EQ(dqtest::RegText(u"CLSID\\" + id, u"Merit"), u"6291456");
    EXPECT_EQ(dqtest::RegText(u"CLSID\\" + id + u"\\Pins\\In", u"IsRendered"), u"1");
    EXPECT_EQ(dqtest::RegText(u"CLSID\\" + id + u"\\Pins\\In", u"AllowedMany"), u"1");
    EXPECT_TRUE(dqtest::RegKeyExists(u"CLSID\\" + id + u"\\Pins\\In\\Types\\" +
                                     dqtest::Text(MEDIATYPE_Video) + u"\\" +
                                     dqtest::Text(MEDIASUBTYPE_RGB24)));

    // The original search, rendering the input.
    Ref<IEnumRegFilters> e;
    ASSERT_EQ(m_old->EnumMatchingFilters(e.out(), 0, TRUE, MEDIATYPE_Video, MEDIASUBTYPE_RGB24,
                                         TRUE, FALSE, GUID_NULL, GUID_NULL),
              S_OK);
    REGFILTER* found[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(2, found, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_TRUE(IsEqualGUID(found[0]->Clsid, kFilterA));
    EXPECT_EQ(std::u16string(found[0]->Name), u"Classic");
    CoTaskMemFree(found[0]);
    // The new interface sees it in the default category, pins and all.
    auto viaNew = FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
    ASSERT_EQ(viaNew.size(), 1u);
    ASSERT_EQ(viaNew[0].pins.size(), 1u);
    EXPECT_TRUE(viaNew[0].pins[0].IsRendered());

    EXPECT_EQ(m_old->UnregisterPin(kFilterA, u"In"), S_OK);
    EXPECT_EQ(m_old->UnregisterPin(kFilterA, u"In"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24).empty());
    EXPECT_EQ(m_old->UnregisterFilter(kFilterA), S_OK);
    EXPECT_FALSE(dqtest::RegKeyExists(u"Filter\\" + id));
    EXPECT_EQ(dqtest::RegText(u"CLSID\\" + id, u"Merit"), u"<no value>");
    EXPECT_EQ(m_old->UnregisterFilter(kFilterA), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilterMapperTest, MonikerBindsThroughCoCreateInstanceAndItsBagIsReadOnly) {
    // Any registered class will do: the system clock is one the runtime creates.
    Transform t(&kRgb24, MERIT_NORMAL);
    Ref<IMoniker> moniker;
    ASSERT_EQ(m_mapper->RegisterFilter(CLSID_SystemClock, u"Clock", moniker.out(), nullptr,
                                       u"clock", &t.rf),
              S_OK);
    Ref<IReferenceClock> clock;
    EXPECT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IReferenceClock, clock.outVoid()), S_OK);
    EXPECT_NE(clock.get(), nullptr);

    Ref<IPropertyBag> bag;
    ASSERT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.outVoid()), S_OK);
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(bag->Read(u"Missing", &v, nullptr), E_INVALIDARG);
    v.vt = VT_I4;
    EXPECT_EQ(bag->Read(u"FriendlyName", &v, nullptr), DISP_E_TYPEMISMATCH);
    v.vt = VT_BSTR;
    ASSERT_EQ(bag->Read(u"friendlyname", &v, nullptr), S_OK);
    EXPECT_EQ(std::u16string(v.bstrVal), u"Clock");
    EXPECT_EQ(bag->Write(u"FriendlyName", &v), E_ACCESSDENIED);
    VariantClear(&v);

    // Enumerator mechanics: skip, reset, clone keeps the position.
    Ref<IEnumMoniker> e;
    ASSERT_EQ(m_mapper->EnumMatchingFilters(e.out(), 0, FALSE, 0, FALSE, 0, nullptr, nullptr,
                                            nullptr, FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    EXPECT_EQ(e->Skip(1), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    Ref<IEnumMoniker> clone;
    ASSERT_EQ(e->Clone(clone.out()), S_OK);
    EXPECT_EQ(dqtest::Drain(clone.get()).size(), 1u);
    EXPECT_EQ(dqtest::Drain(e.get()).size(), 1u);
}

TEST_F(FilterMapperTest, DamagedFilterDataIsReadAsAFilterWithoutPins) {
    Transform t(&kRgb24, MERIT_NORMAL);
    ASSERT_EQ(Register(kFilterA, u"A", t.rf), S_OK);
    const std::u16string key = u"CLSID\\" + dqtest::Text(CLSID_LegacyAmFilterCategory) +
                               u"\\Instance\\" + dqtest::Text(kFilterA);
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS, &h), ERROR_SUCCESS);
    std::vector<BYTE> data;
    DWORD size = 0, type = 0;
    RegQueryValueExW(h, u"FilterData", nullptr, &type, nullptr, &size);
    data.resize(size);
    RegQueryValueExW(h, u"FilterData", nullptr, &type, data.data(), &size);
    // Cut short, and with a pin count far beyond what the bytes hold.
    data.resize(data.size() - 3);
    data[8] = 0xFF;
    data[9] = 0xFF;
    ASSERT_EQ(RegSetValueExW(h, u"FilterData", 0, REG_BINARY, data.data(),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(h);

    EXPECT_TRUE(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24).empty());
    Ref<IEnumMoniker> e;
    ASSERT_EQ(m_mapper->EnumMatchingFilters(e.out(), 0, FALSE, 0, FALSE, 0, nullptr, nullptr,
                                            nullptr, FALSE, FALSE, 0, nullptr, nullptr, nullptr),
              S_OK);
    auto all = dqtest::Drain(e.get());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(all[0].pins.empty());
    EXPECT_EQ(all[0].merit, DWORD{MERIT_DO_NOT_USE});
}

TEST(FilterData, EveryTruncationIsRejected) {
    dqplatform::MapperPin pin;
    pin.name = u"In";
    pin.connectsToPin = u"Out";
    pin.types.emplace_back(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
    pin.mediums.push_back({kFilterA, 1, 2});
    const auto bytes = dqplatform::EncodeFilterData(7, {pin, pin});
    DWORD merit = 0;
    std::vector<dqplatform::MapperPin> pins;
    ASSERT_TRUE(dqplatform::DecodeFilterData(bytes.data(), bytes.size(), merit, pins));
    EXPECT_EQ(merit, 7u);
    ASSERT_EQ(pins.size(), 2u);
    EXPECT_EQ(pins[1].connectsToPin, u"Out");
    EXPECT_EQ(pins[1].mediums[0].dw2, 2u);
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(dqplatform::DecodeFilterData(bytes.data(), n, merit, pins)) << n;
}

TEST_F(FilterMapperTest, WhatOneProcessRegistersAnotherFinds) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        IFilterMapper2* mapper = nullptr;
        Transform t(&kRgb24, MERIT_NORMAL);
        HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
        if (SUCCEEDED(hr))
            hr = mapper->RegisterFilter(kFilterB, u"from the child", nullptr, nullptr, nullptr,
                                        &t.rf);
        _exit(SUCCEEDED(hr) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Names(FindByInput(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)),
              std::vector<std::u16string>{u"from the child"});
}

} // namespace

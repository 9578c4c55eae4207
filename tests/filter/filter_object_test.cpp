#include "filter_fixture.h"

using FilterObject = FilterFixture;

TEST_F(FilterObject, StartsWithTheDefaults) {
    WCHAR name[DQ_MAX_PATH];
    std::fill(std::begin(name), std::end(name), WCHAR('#'));
    ASSERT_EQ(settings->get_FileName(name), S_OK);
    EXPECT_TRUE(std::all_of(std::begin(name), std::end(name), [](WCHAR c) { return c == 0; }));
    bool flag = true;
    LONG delay = 99;
    EXPECT_EQ(settings->get_ChangeImmediate(&flag), S_OK);
    EXPECT_FALSE(flag);
    settings->get_HideSubtitles(&flag);
    EXPECT_FALSE(flag);
    settings->get_DebugOutput(&flag);
    EXPECT_FALSE(flag);
    settings->get_Delay(&delay);
    EXPECT_EQ(delay, 0);
    EXPECT_EQ(settings->get_Delay(nullptr), E_POINTER);
    EXPECT_EQ(settings->get_FileName(nullptr), E_POINTER);
}

TEST_F(FilterObject, AnswersItsInterfacesWithOneClassId) {
    void* p = nullptr;
    for (const IID* iid : {&IID_IDirectQuorbit, &IID_ISpecifyPropertyPages, &IID_IPersistStream,
                           &IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist}) {
        ASSERT_EQ(filter->QueryInterface(*iid, &p), S_OK);
        static_cast<IUnknown*>(p)->Release();
    }
    EXPECT_EQ(filter->QueryInterface(IID_IDirectQuorbit, nullptr), E_POINTER);

    IPersistStream* persist = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, (void**)&persist), S_OK);
    CLSID a{}, b{};
    EXPECT_EQ(filter->GetClassID(&a), S_OK);
    EXPECT_EQ(persist->GetClassID(&b), S_OK);
    EXPECT_TRUE(a == CLSID_DirectQuorbit_RELEASE && b == CLSID_DirectQuorbit_RELEASE);
    EXPECT_EQ(persist->GetClassID(nullptr), E_POINTER);
    persist->Release();

    ISpecifyPropertyPages* pages = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_ISpecifyPropertyPages, (void**)&pages), S_OK);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_TRUE(list.pElems[0] == CLSID_DirectQuorbitProp);
    CoTaskMemFree(list.pElems);
    pages->Release();
}

TEST_F(FilterObject, SettersMarkTheStreamDirtyExceptChangeImmediate) {
    IPersistStream* persist = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, (void**)&persist), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    settings->put_ChangeImmediate(true);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    settings->put_HideSubtitles(false);
    EXPECT_EQ(persist->IsDirty(), S_OK);

    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(persist->Save(stream, TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    settings->put_Delay(-30);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    LONG delay = 0;
    settings->get_Delay(&delay);
    EXPECT_EQ(delay, -30);
    settings->put_DebugOutput(true);
    bool debug = false;
    settings->get_DebugOutput(&debug);
    EXPECT_TRUE(debug);

    // Settings are not persisted: a saved stream is the 24-byte version header alone.
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, 24u);
    stream->Release();
    persist->Release();
}

namespace {

struct LastLoad {
    HRESULT hr = E_UNEXPECTED;
    ULONG loads = 0;
    HRESULT result = E_UNEXPECTED;
    ULONG warnings = 0;
    std::u16string text;
};

LastLoad AskLastLoad(IUnknown* filter, ULONG maxWarnings) {
    IDirectQuorbitLoadReport* report = nullptr;
    LastLoad last;
    if (filter->QueryInterface(IID_IDirectQuorbitLoadReport, (void**)&report) != S_OK)
        return last;
    WCHAR* text = nullptr;
    last.hr = report->GetLastLoad(maxWarnings, &last.loads, &last.result, &last.warnings, &text);
    if (text)
        last.text = reinterpret_cast<const char16_t*>(text);
    CoTaskMemFree(text);
    // Every out-pointer may be left out.
    EXPECT_EQ(report->GetLastLoad(0, nullptr, nullptr, nullptr, nullptr), S_OK);
    report->Release();
    return last;
}

} // namespace

// The filter's own load tells a host what happened: nothing before the first load, then the
// failure's message, or the warnings of a subtitle file; each load counts once.
TEST_F(FilterObject, ReportsItsLatestLoad) {
    LastLoad none = AskLastLoad(filter, 5);
    EXPECT_EQ(none.hr, S_OK);
    EXPECT_EQ(none.loads, 0u);
    EXPECT_EQ(none.result, S_FALSE);
    EXPECT_EQ(none.text, u"");

    ASSERT_EQ(PutFileName(WriteScript("broken.txt", "0 1 colour=red | x\n")), E_FAIL);
    LastLoad broken = AskLastLoad(filter, 5);
    EXPECT_EQ(broken.loads, 1u);
    EXPECT_EQ(broken.result, E_FAIL);
    EXPECT_EQ(broken.text, u"broken.txt:1: unknown attribute \"colour\"");

    const std::string bad = "00:00:02,000 --> 00:00:01,000\nbad\n\n";
    ASSERT_EQ(PutFileName(WriteScript("s\u00E9.srt",
                                      "00:00:01,000 --> 00:00:02,000\nok\n\n" + bad + bad + bad)),
              S_OK);
    LastLoad warned = AskLastLoad(filter, 2);
    EXPECT_EQ(warned.loads, 2u);
    EXPECT_EQ(warned.result, S_OK);
    EXPECT_EQ(warned.warnings, 3u);
    EXPECT_EQ(warned.text, u"s\u00E9.srt:4: cue skipped: end time 00:00:01.000 is before start "
                           u"time 00:00:02.000\n"
                           u"s\u00E9.srt:7: cue skipped: end time 00:00:01.000 is before start "
                           u"time 00:00:02.000\n");

    // An empty path loads nothing: the report stays.
    ASSERT_EQ(settings->reload_File(), S_OK);
    EXPECT_EQ(AskLastLoad(filter, 0).loads, 3u);
    EXPECT_EQ(AskLastLoad(filter, 0).text, u"");
    WCHAR empty[1] = {0};
    EXPECT_EQ(settings->put_FileName(empty), E_FAIL);
    EXPECT_EQ(AskLastLoad(filter, 0).loads, 3u);
}

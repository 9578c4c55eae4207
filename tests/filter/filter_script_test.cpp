#include "filter_fixture.h"

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

const char* kScriptA =
    "0 100 align=top-left margin=0 box=#FF00FF00 color=#FF00FF00 outline=0 size=12 | A\n";
const char* kScriptB =
    "0 100 align=top-left margin=0 box=#FFFF0000 color=#FFFF0000 outline=0 size=12 | B\n";

struct Watching : FilterFixture {
    std::filesystem::path script;
    void SetUp() override {
        FilterFixture::SetUp();
        SetInputType(kWidth, kHeight);
        script = WriteScript("live.txt", kScriptA);
    }
};

} // namespace

TEST_F(Watching, LoadingAPathMarksDirtyButEditsAreIgnoredWithoutImmediate) {
    ASSERT_EQ(PutFileName(script), S_OK);
    IPersistStream* persist = nullptr;
    filter->QueryInterface(IID_IPersistStream, (void**)&persist);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    persist->Release();
    EXPECT_EQ(Corner(), 0x00FF00u);
    WriteScript("live.txt", kScriptB);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Corner(), 0x00FF00u);
    EXPECT_EQ(settings->reload_File(), S_OK); // the Reload button
    EXPECT_EQ(Corner(), 0xFF0000u);
}

TEST_F(Watching, SavingWithImmediateOnReloadsAlsoWhenTheEditorRenames) {
    settings->put_ChangeImmediate(true); // before any path: kept for when one comes
    ASSERT_EQ(PutFileName(script), S_OK);
    WriteScript("live.txt", kScriptB);
    EXPECT_TRUE(Shows(0xFF0000u));
    WriteScript("live.txt.swp", kScriptA);
    std::filesystem::rename(dir / "live.txt.swp", script);
    EXPECT_TRUE(Shows(0x00FF00u));
}

TEST_F(Watching, OtherFilesInTheFolderDoNotReload) {
    settings->put_ChangeImmediate(true);
    ASSERT_EQ(PutFileName(script), S_OK);
    WriteScript("other.txt", "garbage that would fail to load\n");
    std::filesystem::create_directories(dir / "sub");
    WriteScript("sub/live.txt", kScriptB);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Corner(), 0x00FF00u);
}

TEST_F(Watching, PathsThatCannotBeWatchedFailWithWatchingOff) {
    EXPECT_EQ(PutFileName(dir / "missing" / "x.txt"), E_FAIL);
    std::u16string empty;
    EXPECT_EQ(settings->put_FileName(reinterpret_cast<WCHAR*>(empty.data())), E_FAIL);
    std::u16string tooLong(DQ_MAX_PATH, u'a');
    EXPECT_EQ(settings->put_FileName(reinterpret_cast<WCHAR*>(tooLong.data())), E_INVALIDARG);
    EXPECT_EQ(settings->reload_File(), E_FAIL); // the empty path was stored
}

TEST_F(Watching, ReloadsHammeredFromTwoThreadsWhileFramesFlow) {
    ASSERT_EQ(PutFileName(script), S_OK);
    std::atomic<bool> stop{false};
    auto hammer = [&] {
        while (!stop)
            settings->reload_File();
    };
    std::thread a(hammer), b(hammer);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(Corner(), 0x00FF00u); // every frame waits for the load and draws the script
    stop = true;
    a.join();
    b.join();
}

// A host asking how the loads went while reloads run on other threads sees whole answers: a
// count that only grows, and each load's own outcome with its own text.
TEST_F(Watching, LoadReportsAskedWhileReloadsRun) {
    const auto broken = WriteScript("broken.txt", "0 1 colour=red | x\n");
    const auto warned = WriteScript("warned.srt", "00:00:01,000 --> 00:00:02,000\nok\n\n"
                                                  "00:00:03,000 --> 00:00:03,000\nzero\n");
    IDirectQuorbitLoadReport* report = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IDirectQuorbitLoadReport, (void**)&report), S_OK);
    std::atomic<bool> stop{false};
    std::thread loader([&] {
        for (int i = 0; !stop; ++i)
            PutFileName(i % 2 ? broken : warned);
    });
    ULONG last = 0;
    for (int i = 0; i < 300; ++i) {
        ULONG loads = 0, warnings = 0;
        HRESULT result = S_FALSE;
        WCHAR* text = nullptr;
        ASSERT_EQ(report->GetLastLoad(10, &loads, &result, &warnings, &text), S_OK);
        const std::u16string said = reinterpret_cast<const char16_t*>(text);
        CoTaskMemFree(text);
        EXPECT_GE(loads, last);
        last = loads;
        if (result == E_FAIL) {
            EXPECT_EQ(said, u"broken.txt:1: unknown attribute \"colour\"");
            EXPECT_EQ(warnings, 0u);
        } else if (result == S_OK && said.rfind(u"warned.srt", 0) == 0) {
            EXPECT_EQ(warnings, 1u);
        }
    }
    stop = true;
    loader.join();
    report->Release();
}

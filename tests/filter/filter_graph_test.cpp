// The overlay filter in a real graph built through the public interfaces: a push source of
// 640 x 480 bottom-up RGB24 frames -> DirectQuorbit -> a sink.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "filter/direct_quorbit.h"
#include "test_push_source.h"
#include "test_sink.h"

namespace {

constexpr LONG kWidth = 640, kHeight = 480, kStride = kWidth * 3;
constexpr REFERENCE_TIME kFrame = 400000; // 40 ms
constexpr int kFrames = 75;               // 3 s

// A green box at the picture's top-left from 1 s to 2 s.
const char* kScript =
    "1 2 align=top-left margin=0 size=20 box=#FF00FF00 color=#FF00FF00 outline=0 | X\n";

IPin* FindPin(IBaseFilter* filter, const WCHAR* id) {
    IPin* pin = nullptr;
    EXPECT_EQ(filter->FindPin(id, &pin), S_OK);
    return pin;
}

struct OverlayGraph : ::testing::Test {
    CTestPushSource* source = nullptr;
    CTestSink* sink = nullptr;
    IBaseFilter* overlay = nullptr;
    IDirectQuorbit* settings = nullptr;
    IGraphBuilder* builder = nullptr;
    IMediaControl* control = nullptr;
    IMediaEvent* events = nullptr;
    std::filesystem::path script;

    void SetUp() override {
        CTestPushSource::Options options;
        options.frames = kFrames;
        options.width = kWidth;
        options.height = kHeight;
        options.frameDuration = kFrame;
        source = CTestPushSource::Create(options);
        sink = CTestSink::Create();
        HRESULT hr = S_OK;
        CUnknown* object = CDirectQuorbit::CreateInstance(nullptr, &hr);
        ASSERT_NE(object, nullptr);
        object->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&overlay));
        overlay->QueryInterface(IID_IDirectQuorbit, reinterpret_cast<void**>(&settings));

        script = std::filesystem::temp_directory_path() /
                 ("dq-graph-" + std::to_string(::getpid()) + ".txt");
        std::ofstream(script) << kScript;
        std::u16string path = script.u16string();
        ASSERT_EQ(settings->put_FileName(reinterpret_cast<WCHAR*>(path.data())), S_OK);

        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(&builder)),
                  S_OK);
        builder->AddFilter(source->Itf(), WSTR("Source"));
        builder->AddFilter(overlay, WSTR("DirectQuorbit"));
        builder->AddFilter(sink->Itf(), WSTR("Sink"));
        IPin* pins[] = {FindPin(source->Itf(), WSTR("Out")), FindPin(overlay, WSTR("In")),
                        FindPin(overlay, WSTR("Out")), FindPin(sink->Itf(), WSTR("In"))};
        ASSERT_EQ(builder->Connect(pins[0], pins[1]), S_OK);
        ASSERT_EQ(builder->Connect(pins[2], pins[3]), S_OK);
        for (IPin* pin : pins)
            pin->Release();
        builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
    }
    void TearDown() override {
        control->Stop();
        control->Release();
        events->Release();
        builder->Release();
        settings->Release();
        overlay->Release();
        source->Itf()->Release();
        sink->Itf()->Release();
        std::filesystem::remove(script);
    }
    void RunToCompletion() {
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        LONG code = 0;
        ASSERT_EQ(events->WaitForCompletion(120000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
    }
    // Display pixel (x, y) of a bottom-up frame as 0xRRGGBB.
    static uint32_t Pixel(const std::vector<BYTE>& data, int x, int y) {
        const BYTE* p = data.data() + size_t(kHeight - 1 - y) * kStride + size_t(x) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    static bool AsSent(const std::vector<BYTE>& data, int frame) {
        for (size_t i = 0; i < data.size(); ++i)
            if (data[i] != CTestPushSource::Pattern(frame, LONG(i)))
                return false;
        return data.size() == size_t(kStride * kHeight);
    }
};

} // namespace

TEST_F(OverlayGraph, FramesCarryTheOverlayOnlyWhileTheCueIsShown) {
    RunToCompletion();
    const auto samples = sink->Samples();
    ASSERT_EQ(samples.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        const auto& s = samples[size_t(i)];
        EXPECT_EQ(s.start, i * kFrame);
        ASSERT_EQ(s.data.size(), size_t(kStride * kHeight));
        const bool shown = s.start >= 10'000'000 && s.start < 20'000'000;
        if (shown) {
            EXPECT_EQ(Pixel(s.data, 2, 2), 0x00FF00u) << "frame " << i;
            // The picture's bottom half is as it was sent: the overlay stands the right way up.
            const size_t bottomHalf = size_t(kStride) * (kHeight / 2);
            for (size_t b = 0; b < bottomHalf; ++b)
                ASSERT_EQ(s.data[b], CTestPushSource::Pattern(i, LONG(b))) << "frame " << i;
        } else {
            EXPECT_TRUE(AsSent(s.data, i)) << "frame " << i;
        }
    }
}

TEST_F(OverlayGraph, HiddenFramesArriveByteForByte) {
    settings->put_HideSubtitles(true);
    RunToCompletion();
    const auto samples = sink->Samples();
    ASSERT_EQ(samples.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_TRUE(AsSent(samples[size_t(i)].data, i)) << "frame " << i;
}

TEST_F(OverlayGraph, StopWhileStreamingReturns) {
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        sink->WaitForSamples(3);
        EXPECT_EQ(control->Stop(), S_OK);
        sink->Clear();
    }
}

// The filter's frame path: Transform on one RGB24 frame, at four sizes and five workloads (a
// two-line subtitle alone and with a one-character cue in the far corner, to show that two small
// areas cost their own size and not the frame between them), beside a plain memcpy of the same
// frame as the reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "baseclasses/streams.h"
#include "filter/direct_quorbit.h"
#include "test_sample.h"

namespace {

const int kSizes[][2] = {{640, 480}, {1280, 720}, {1920, 1080}, {3840, 2160}};

enum Workload { NoCue, Subtitle, DebugPanel, FiftyCues, SubtitleAndCorner };

std::string Script(Workload w) {
    std::string s = "@resolution 1920x1080\n";
    switch (w) {
    case NoCue:
    case DebugPanel:
        s += "100 200 | Not yet\n";
        break;
    case Subtitle:
    case SubtitleAndCorner:
        s += "0 100 | The quick brown fox jumps\\nover the lazy dog near the bank\n";
        if (w == SubtitleAndCorner)
            s += "0 100 align=top-left margin=30 | 7\n";
        break;
    case FiftyCues:
        for (int i = 0; i < 50; ++i)
            s += "0 100 size=28 pos=" + std::to_string(100 + (i % 5) * 350) + "," +
                 std::to_string(60 + (i / 5) * 100) + " | Cue number " + std::to_string(i) + "\n";
        break;
    }
    return s;
}

struct Rig {
    IUnknown* unknown = nullptr;
    CDirectQuorbit* filter = nullptr;
    std::filesystem::path script;

    Rig(int width, int height, Workload w) {
        HRESULT hr = S_OK;
        filter = static_cast<CDirectQuorbit*>(CDirectQuorbit::CreateInstance(nullptr, &hr));
        filter->NonDelegatingAddRef();
        script = std::filesystem::temp_directory_path() /
                 ("dq-filter-bench-" + std::to_string(::getpid()) + ".txt");
        std::ofstream(script) << Script(w);

        VIDEOINFOHEADER vih{};
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = width;
        vih.bmiHeader.biHeight = height;
        vih.bmiHeader.biBitCount = 24;
        CMediaType mt;
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = MEDIASUBTYPE_RGB24;
        mt.formattype = FORMAT_VideoInfo;
        mt.cbFormat = sizeof vih;
        mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof vih));
        std::memcpy(mt.pbFormat, &vih, sizeof vih);
        filter->SetMediaType(PINDIR_INPUT, &mt);
        std::u16string path = script.u16string();
        filter->put_FileName(reinterpret_cast<WCHAR*>(path.data()));
        filter->put_DebugOutput(w == DebugPanel);
    }
    ~Rig() {
        filter->NonDelegatingRelease();
        std::filesystem::remove(script);
    }
};

void BM_Transform(benchmark::State& state) {
    const int width = kSizes[state.range(0)][0];
    const int height = kSizes[state.range(0)][1];
    const auto workload = static_cast<Workload>(state.range(1));
    Rig rig(width, height, workload);
    const LONG bytes = ((width * 3 + 3) & ~3) * height;
    TestSample sample(size_t(bytes), bytes);
    std::memset(sample.bytes.data(), 0x40, sample.bytes.size());
    sample.start = 10'000'000; // 1 s
    for (auto _ : state) {
        rig.filter->Transform(&sample);
        benchmark::DoNotOptimize(sample.bytes.data());
    }
    static const char* names[] = {"no cue", "subtitle", "debug panel", "fifty cues",
                                  "subtitle and corner cue"};
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + " " + names[workload]);
}
BENCHMARK(BM_Transform)
    ->ArgsProduct({{0, 1, 2, 3}, {NoCue, Subtitle, SubtitleAndCorner, DebugPanel, FiftyCues}})
    ->Unit(benchmark::kMicrosecond);

void BM_FrameMemcpy(benchmark::State& state) {
    const int width = kSizes[state.range(0)][0];
    const int height = kSizes[state.range(0)][1];
    std::vector<uint8_t> a(size_t(width) * 3 * height, 1), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + " memcpy");
}
BENCHMARK(BM_FrameMemcpy)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace

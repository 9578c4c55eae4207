// The drawing library on the frame path: drawENT at HD and UHD with nothing, one subtitle (its
// first frame and then the steady state) and fifty cues shown, load_data of a long script, the
// worst cases of subtitle markup, and the worst cases the script limits allow, loaded and drawn
// at 1920x1080 (first frame).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "drawlib/draw_quorbit.h"
#include "drawlib/script_loader.h"
#include "platform/drawing/drawing.h"

namespace {

// The scripts go to the temporary folder and are removed when the program ends.
struct TempScripts {
    std::vector<std::filesystem::path> paths;
    ~TempScripts() {
        std::error_code ec;
        for (const auto& path : paths)
            std::filesystem::remove(path, ec);
    }
};

std::filesystem::path WriteScript(const std::string& name, const std::string& text) {
    static TempScripts scripts;
    const auto path = std::filesystem::temp_directory_path() /
                      ("drawlib_bench-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << text;
    scripts.paths.push_back(path);
    return path;
}

// 10,000 two-line subtitles of 2 s every 3 s, in 1920x1080 script space.
std::string LongScript() {
    std::string script = "@quorent 1\n@resolution 1920x1080\n"
                         "@style default font=\"DejaVu Sans\" size=56 outline=3\n";
    for (int i = 0; i < 10000; ++i) {
        const int start = i * 3000;
        script += std::to_string(start / 1000) + " +2 | Subtitle number " + std::to_string(i) +
                  "\\nand its second line\n";
    }
    return script;
}

std::string FiftyCues() {
    std::string script = "@resolution 1920x1080\n@style default font=\"DejaVu Sans\" size=40\n";
    for (int i = 0; i < 50; ++i)
        script += "0 1000 align=top-left pos=" + std::to_string(40 + (i % 5) * 370) + "," +
                  std::to_string(30 + (i / 5) * 100) + " | Cue " + std::to_string(i) + "\n";
    return script;
}

struct Fixture {
    std::unique_ptr<DrawQuorbit> draw;
    std::unique_ptr<dq::gfx::Bitmap> surface;
    std::unique_ptr<dq::gfx::Graphics> graphics;

    Fixture(const std::filesystem::path& script, int width, int height) {
        draw = std::make_unique<DrawQuorbit>(1, 1);
        draw->width(width);
        draw->height(height);
        draw->load_data(script);
        surface = dq::gfx::Bitmap::CreateArgb(width, height);
        graphics = std::make_unique<dq::gfx::Graphics>(*surface);
    }
};

const std::filesystem::path& LongScriptPath() {
    static const auto path = WriteScript("long.txt", LongScript());
    return path;
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
}

void BM_DrawNoActiveCue(benchmark::State& state) {
    Fixture f(LongScriptPath(), int(state.range(0)), int(state.range(1)));
    int64_t t = 2500; // between the first two cues
    for (auto _ : state) {
        f.draw->drawENT(*f.graphics, t);
        t = t == 2500 ? 2600 : 2500;
    }
}
BENCHMARK(BM_DrawNoActiveCue)->Apply(Sizes);

void BM_DrawOneSubtitleFirstFrame(benchmark::State& state) {
    Fixture f(LongScriptPath(), int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        f.surface->Clear();
        f.draw->load_data(LongScriptPath()); // a fresh script: no sprite rendered yet
        state.ResumeTiming();
        f.draw->drawENT(*f.graphics, 1000);
    }
}
BENCHMARK(BM_DrawOneSubtitleFirstFrame)->Apply(Sizes)->Iterations(50);

void BM_DrawOneSubtitleSteadyState(benchmark::State& state) {
    Fixture f(LongScriptPath(), int(state.range(0)), int(state.range(1)));
    f.draw->drawENT(*f.graphics, 1000);
    int64_t t = 1000;
    for (auto _ : state) {
        state.PauseTiming();
        f.surface->Clear();
        state.ResumeTiming();
        f.draw->drawENT(*f.graphics, t);
        t = t < 1900 ? t + 17 : 1000;
    }
}
BENCHMARK(BM_DrawOneSubtitleSteadyState)->Apply(Sizes);

void BM_DrawFiftyCues(benchmark::State& state) {
    static const auto path = WriteScript("fifty.txt", FiftyCues());
    Fixture f(path, int(state.range(0)), int(state.range(1)));
    f.draw->drawENT(*f.graphics, 1000);
    int64_t t = 1000;
    for (auto _ : state) {
        state.PauseTiming();
        f.surface->Clear();
        state.ResumeTiming();
        f.draw->drawENT(*f.graphics, t);
        t += 17;
    }
}
BENCHMARK(BM_DrawFiftyCues)->Apply(Sizes);

void BM_DrawDebugPanelOnly(benchmark::State& state) {
    Fixture f(LongScriptPath(), int(state.range(0)), int(state.range(1)));
    f.draw->debug(true);
    int64_t t = 2500;
    for (auto _ : state) {
        state.PauseTiming();
        f.surface->Clear();
        state.ResumeTiming();
        f.draw->drawENT(*f.graphics, t++); // new text every frame
    }
}
BENCHMARK(BM_DrawDebugPanelOnly)->Apply(Sizes);

void BM_LoadData10000Cues(benchmark::State& state) {
    DrawQuorbit draw(1920, 1080);
    for (auto _ : state)
        draw.load_data(LongScriptPath());
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LoadData10000Cues)->Unit(benchmark::kMillisecond);

// The markup shapes that cost quadratic time once, as one SubRip cue of about 1 MB (in lines
// of 60,000 bytes, under the line-length limit): unclosed '<', '<' starting a tag that never
// closes, many <font> tags, unclosed override blocks, and '&' that are no reference. Loading
// is linear in the file's size: each stays far below 0.1 s.
const char* const kWorstMarkup[] = {"<", "<a", "<font>", "{\\", "&#1", "&amp"};

std::string WorstCaseSubRip(const std::string& unit) {
    std::string file = "1\n00:00:01,000 --> 00:00:02,000\n";
    const size_t lineBytes = 60'000 / unit.size() * unit.size();
    for (size_t written = 0; written < (size_t(1) << 20); written += lineBytes) {
        for (size_t n = 0; n < lineBytes; n += unit.size())
            file += unit;
        file += '\n';
    }
    return file;
}

void BM_LoadWorstMarkup1MB(benchmark::State& state) {
    const std::string unit = kWorstMarkup[state.range(0)];
    const std::string file = WorstCaseSubRip(unit);
    state.SetLabel("\"" + unit + "\" x " + std::to_string(file.size() / unit.size()));
    for (auto _ : state) {
        auto script = dq::drawlib::LoadScriptBytes(file, "worst.srt", 1080);
        benchmark::DoNotOptimize(script.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_LoadWorstMarkup1MB)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The worst scripts within the limits, each loaded afresh and drawn once at 1920x1080 at the
// time where most of it shows: what one frame can cost. peak_rss_MB is the process's peak so far
// (run one case alone, --benchmark_filter, to read its own).
std::string Repeat(const std::string& text, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += text;
    return out;
}

std::string WorstCase(int which) {
    switch (which) {
    case 0: // one word of 10,000 characters (the most a cue may hold) in the smallest text drawn
        return "0 10 size=4 | " + std::string(10000, 'x') + "\n";
    case 1: // a long word at 48 pixels, as long as the pixel limit lets it be
        return "0 10 size=48 | " + std::string(4400, 'W') + "\n";
    case 2: // 500 cues at once, as large as the pixel limit lets them be
    {
        std::string script;
        for (int i = 0; i < 500; ++i)
            script += "0 10 size=24 pos=" + std::to_string(40 + (i % 10) * 180) + "," +
                      std::to_string(40 + (i / 10) * 20) + " | cue " + std::to_string(i) +
                      " of many\n";
        return script;
    }
    case 3: // the largest text with the largest outline and shadow
        return "0 10 size=1000 outline=100 shadow=1000 | WWWWW\n";
    default: // end credits: 220 lines of 30 characters scrolling up, in one cue
        return "0 60 size=30 scroll=up | " + Repeat("Someone Somebody as The Role\\n", 220) + "\n";
    }
}

void BM_WorstCaseLoadAndFirstFrame(benchmark::State& state) {
    const int which = int(state.range(0));
    const auto path = WriteScript("worst" + std::to_string(which) + ".txt", WorstCase(which));
    auto surface = dq::gfx::Bitmap::CreateArgb(1920, 1080);
    dq::gfx::Graphics graphics(*surface);
    for (auto _ : state) {
        DrawQuorbit draw(1920, 1080);
        draw.load_data(path);
        draw.drawENT(graphics, 5000);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_WorstCaseLoadAndFirstFrame)
    ->DenseRange(0, 4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The largest script the limits allow to load: a million cues one after the other, each line
// long enough to bring the file near 64 MiB.
void BM_WorstCaseLoadLargestScript(benchmark::State& state) {
    static const auto path = [] {
        std::string script;
        script.reserve(size_t(64) << 20);
        const std::string text(44, 'w');
        for (int i = 0; i < 1'000'000; ++i)
            script += std::to_string(i) + " +1 align=top | " + text + "\n";
        return WriteScript("largest.txt", script);
    }();
    for (auto _ : state) {
        DrawQuorbit draw(1920, 1080);
        draw.load_data(path);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_WorstCaseLoadLargestScript)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

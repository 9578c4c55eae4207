// dq-wine-graph: DirectQuorbit.ax in the system's DirectShow runtime (run in Wine, whose filter
// graph manager, allocator and clock nobody here wrote). A graph from CLSID_FilterGraph: a test
// push source of RGB24 frames -> the overlay filter, created by its class id from the registered
// module -> a test sink that keeps every frame. 300 frames run with a script of box cues while
// the host, holding the source at chosen frames, hides the overlay, delays it, reloads the
// script, and saves a new one with "Apply changes immediately" on; then every frame is checked
// for the boxes its time and the settings of then call for. Then Stop while frames flow; a
// source with read-only buffers (the filter copies, then draws); and the module unloading once
// everything is released.
//
// usage: dq-wine-graph.exe FOLDER   (a folder for the scripts; must exist)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "filter/i_direct_quorbit.h"
#include "test_push_source.h"
#include "test_sink.h"
#include "tools/wine/host_checks.h"

using dq::wine::Check;
using dq::wine::HexResult;
using dq::wine::Note;

namespace {

constexpr int kFrames = 300;
constexpr LONG kWidth = 160;
constexpr LONG kHeight = 120;
constexpr REFERENCE_TIME kFrameDuration = 400000; // 40 ms
constexpr LONG kStride = kWidth * 3;

// A solid box cue: box and text in one colour, so the whole block is that colour.
struct Box {
    const char* name;
    int x, y;
    BYTE r, g, b;
};
constexpr Box kGreen{"green", 10, 10, 0, 255, 0};
constexpr Box kRed{"red", 100, 60, 255, 0, 0};
constexpr Box kBlue{"blue", 60, 30, 0, 0, 255};
constexpr Box kYellow{"yellow", 10, 80, 255, 255, 0};
constexpr const Box* kBoxes[] = {&kGreen, &kRed, &kBlue, &kYellow};

std::string Cue(const char* times, const Box& box) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "#FF%02X%02X%02X", box.r, box.g, box.b);
    return std::string(times) + " align=top-left margin=0 pos=" + std::to_string(box.x) + "," +
           std::to_string(box.y) + " size=20 outline=0 box=" + colour + " color=" + colour +
           " | X\n";
}

void WriteScript(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "@quorent 1\n" << text;
}

// What a frame should show, from the changes the host made before it was sent.
struct Expected {
    bool hidden = false; // byte for byte as sent
    std::vector<const Box*> shown;
};

Expected ExpectedFor(int frame) {
    const int t = frame * 40; // ms
    Expected e;
    if (frame >= 50 && frame < 60) {
        e.hidden = true;
    } else if (frame < 120) { // first script, no delay
        if (t < 4000)
            e.shown.push_back(&kGreen);
        else if (t < 8000)
            e.shown.push_back(&kRed);
    } else if (frame < 180) { // delay 60 frames of 1/60 s: the script runs 1000 ms late
        const int late = t - 1000;
        if (late < 4000)
            e.shown.push_back(&kGreen);
        else if (late < 8000)
            e.shown.push_back(&kRed);
    } else if (frame < 220) { // the file rewritten, Reload
        e.shown.push_back(&kBlue);
    } else { // saved again with "Apply changes immediately" on
        e.shown.push_back(&kYellow);
    }
    return e;
}

// The displayed pixel (x, y) of a bottom-up RGB24 frame, as blue, green, red.
const BYTE* Pixel(const std::vector<BYTE>& data, int x, int y) {
    return &data[size_t(kHeight - 1 - y) * kStride + size_t(x) * 3];
}

bool ShowsBox(const std::vector<BYTE>& data, const Box& box) {
    const BYTE* p = Pixel(data, box.x + 2, box.y + 2);
    return p[0] == box.b && p[1] == box.g && p[2] == box.r;
}

bool ShowsSource(const std::vector<BYTE>& data, int frame, const Box& box) {
    const int x = box.x + 2, y = box.y + 2;
    const LONG offset = (kHeight - 1 - y) * kStride + x * 3;
    for (int c = 0; c < 3; ++c) {
        if (data[size_t(offset + c)] != CTestPushSource::Pattern(frame, offset + c))
            return false;
    }
    return true;
}

IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)))
        return nullptr;
    IPin* pin = nullptr;
    IPin* found = nullptr;
    while (found == nullptr && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted)
            found = pin;
        else
            pin->Release();
    }
    pins->Release();
    return found;
}

// Clears the filter's dirty flag by saving it, as a host saving its graph does.
void SaveClearingDirty(IPersistStream* persist) {
    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
        persist->Save(stream, TRUE);
        stream->Release();
    }
}

void CheckFrames(CTestSink* sink) {
    const std::vector<CTestSink::Received> samples = sink->Samples();
    Check(samples.size() == size_t(kFrames), "the sink received %zu of %d frames", samples.size(),
          kFrames);
    int badTimes = 0, badHidden = 0, badBoxes = 0, framesWithEachBox[4] = {};
    for (size_t i = 0; i < samples.size(); ++i) {
        const CTestSink::Received& s = samples[i];
        const int frame = int(i);
        if (!s.timeValid || s.start != frame * kFrameDuration ||
            s.stop != (frame + 1) * kFrameDuration) {
            if (badTimes++ == 0)
                Note("frame %d arrived with times %lld-%lld", frame, (long long)s.start,
                     (long long)s.stop);
        }
        if (s.data.size() != size_t(kStride * kHeight)) {
            ++badBoxes;
            continue;
        }
        const Expected e = ExpectedFor(frame);
        if (e.hidden) {
            bool intact = true;
            for (size_t b = 0; b < s.data.size() && intact; ++b)
                intact = s.data[b] == CTestPushSource::Pattern(frame, LONG(b));
            if (!intact && badHidden++ == 0)
                Note("frame %d was changed while the overlay was hidden", frame);
            continue;
        }
        for (int n = 0; n < 4; ++n) {
            const Box& box = *kBoxes[n];
            bool wanted = false;
            for (const Box* shown : e.shown)
                wanted = wanted || shown == &box;
            const bool ok = wanted ? ShowsBox(s.data, box) : ShowsSource(s.data, frame, box);
            if (wanted && ok)
                ++framesWithEachBox[n];
            if (!ok && badBoxes++ < 5)
                Note("frame %d (%d ms): the %s box is %s", frame, frame * 40, box.name,
                     wanted ? "missing" : "there although it should not be");
        }
    }
    Check(badTimes == 0, "every frame kept its time stamps (%d did not)", badTimes);
    Check(badHidden == 0,
          "frames 50-59, sent while the overlay was hidden, are byte for byte as "
          "the source sent them (%d are not)",
          badHidden);
    Check(badBoxes == 0,
          "every frame shows exactly the boxes of its time and settings (%d "
          "mismatches)",
          badBoxes);
    Note("frames with each box: green %d, red %d, blue %d, yellow %d", framesWithEachBox[0],
         framesWithEachBox[1], framesWithEachBox[2], framesWithEachBox[3]);
}

// A second source whose buffers the filter may not write: the in-place filter copies each frame
// into a buffer of the downstream allocator and draws there; the source's buffers stay as sent.
void RunReadOnly(IGraphBuilder* graph, IPin* overlayIn, IPin* overlayOut) {
    constexpr int kReadOnlyFrames = 40;
    CTestPushSource::Options options;
    options.frames = kReadOnlyFrames;
    options.width = kWidth;
    options.height = kHeight;
    options.frameDuration = kFrameDuration;
    options.readOnly = true;
    CTestPushSource* source = CTestPushSource::Create(options);
    CTestSink* sink = CTestSink::Create();
    graph->AddFilter(source->Itf(), L"Read-only source");
    graph->AddFilter(sink->Itf(), L"Second sink");
    HRESULT hr = graph->Connect(source->OutputPin(), overlayIn);
    if (SUCCEEDED(hr))
        hr = graph->Connect(overlayOut, sink->InputPin());
    IMediaControl* control = nullptr;
    graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    if (Check(SUCCEEDED(hr), "a source with read-only buffers connects (%s)",
              HexResult(hr).c_str())) {
        control->Run();
        sink->WaitForSamples(kReadOnlyFrames);
        control->Stop();
        const std::vector<CTestSink::Received> samples = sink->Samples();
        const std::vector<CTestPushSource::Delivery> deliveries = source->Deliveries();
        // The last script, still 1000 ms late: the box from frame 25 on.
        int right = 0, intact = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const std::vector<BYTE>& data = samples[i].data;
            if (data.size() == size_t(kStride * kHeight))
                right += i >= 25 ? ShowsBox(data, kYellow) : ShowsSource(data, int(i), kYellow);
        }
        for (const CTestPushSource::Delivery& d : deliveries)
            intact += d.bufferIntact && SUCCEEDED(d.result);
        Check(samples.size() == size_t(kReadOnlyFrames) && right == kReadOnlyFrames,
              "all %d frames arrive, with the overlay where their time calls for it (%zu arrived, "
              "%d right)",
              kReadOnlyFrames, samples.size(), right);
        Check(intact == kReadOnlyFrames, "and the source's own buffers are untouched (%d of %zu)",
              intact, deliveries.size());
    }
    control->Release();
    overlayIn->Disconnect();
    overlayOut->Disconnect();
    graph->RemoveFilter(sink->Itf());
    graph->RemoveFilter(source->Itf());
    source->Itf()->Release();
    sink->Itf()->Release();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dq-wine-graph.exe FOLDER\n");
        return 2;
    }
    dq::wine::StartWatchdog(120, "the graph host");
    // A folder whose name is not in any ANSI code page: the script is read, and its folder
    // watched, by wide paths.
    const std::filesystem::path folder =
        std::filesystem::path(argv[1]) / L"\u30B9\u30AF\u30EA\u30D7\u30C8";
    std::filesystem::create_directories(folder);
    const std::filesystem::path script = folder / "overlay.txt";
    WriteScript(script, Cue("0 4", kGreen) + Cue("4 8", kRed));

    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        IGraphBuilder* graph = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IGraphBuilder, reinterpret_cast<void**>(&graph));
        if (!Check(SUCCEEDED(hr), "the system's filter graph manager is created (%s)",
                   HexResult(hr).c_str()))
            return dq::wine::ExitCode();

        IBaseFilter* overlay = nullptr;
        hr = CoCreateInstance(CLSID_DirectQuorbit_RELEASE, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IBaseFilter, reinterpret_cast<void**>(&overlay));
        if (!Check(SUCCEEDED(hr), "CoCreateInstance creates DirectQuorbit by its class id (%s)",
                   HexResult(hr).c_str()))
            return dq::wine::ExitCode();
        IDirectQuorbit* settings = nullptr;
        IPersistStream* persist = nullptr;
        overlay->QueryInterface(IID_IDirectQuorbit, reinterpret_cast<void**>(&settings));
        overlay->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist));
        if (!Check(settings != nullptr && persist != nullptr,
                   "the filter answers IDirectQuorbit and IPersistStream"))
            return dq::wine::ExitCode();
        std::wstring path = script.wstring();
        hr = settings->put_FileName(path.data());
        Check(hr == S_OK, "put_FileName loads the script (%s)", HexResult(hr).c_str());

        CTestPushSource::Options options;
        options.frames = kFrames;
        options.width = kWidth;
        options.height = kHeight;
        options.frameDuration = kFrameDuration;
        options.holdAt = 50;
        CTestPushSource* source = CTestPushSource::Create(options);
        CTestSink* sink = CTestSink::Create();
        graph->AddFilter(source->Itf(), L"Source");
        graph->AddFilter(overlay, L"DirectQuorbit");
        graph->AddFilter(sink->Itf(), L"Sink");

        IPin* overlayIn = FindPin(overlay, PINDIR_INPUT);
        IPin* overlayOut = FindPin(overlay, PINDIR_OUTPUT);
        if (!Check(overlayIn && overlayOut, "the filter has an input and an output pin"))
            return dq::wine::ExitCode();
        hr = graph->Connect(source->OutputPin(), overlayIn);
        Check(SUCCEEDED(hr), "IGraphBuilder::Connect joins the source to the filter (%s)",
              HexResult(hr).c_str());
        hr = graph->Connect(overlayOut, sink->InputPin());
        Check(SUCCEEDED(hr), "IGraphBuilder::Connect joins the filter to the sink (%s)",
              HexResult(hr).c_str());
        AM_MEDIA_TYPE type{};
        if (SUCCEEDED(overlayOut->ConnectionMediaType(&type))) {
            const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
            Check(type.subtype == MEDIASUBTYPE_RGB24 && info != nullptr &&
                      info->bmiHeader.biWidth == kWidth && info->bmiHeader.biHeight == kHeight,
                  "the output is connected with the source's RGB24 %ldx%ld type", kWidth, kHeight);
            CoTaskMemFree(type.pbFormat);
            if (type.pUnk != nullptr)
                type.pUnk->Release();
        } else {
            Check(false, "the output is connected");
        }

        // Seeking questions go upstream through the system's seeking pass-through object,
        // which the output pin aggregates.
        IMediaSeeking* seeking = nullptr;
        hr = overlayOut->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
        if (Check(SUCCEEDED(hr) && seeking != nullptr,
                  "the output pin answers IMediaSeeking through the system's pass-through (%s)",
                  HexResult(hr).c_str())) {
            DWORD capabilities = 0;
            hr = seeking->GetCapabilities(&capabilities);
            Note("its GetCapabilities, asked of the source (which cannot seek): %s",
                 HexResult(hr).c_str());
            seeking->Release();
        }

        IMediaControl* control = nullptr;
        graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        hr = control->Run();
        Check(SUCCEEDED(hr), "the graph runs (%s)", HexResult(hr).c_str());

        // The source waits before frame 50: what was sent is done, what follows comes after the
        // change.
        source->WaitUntilHeld();
        Check(settings->put_HideSubtitles(true) == S_OK, "put_HideSubtitles(true) at frame 50");
        source->HoldAt(60);
        source->WaitUntilHeld();
        settings->put_HideSubtitles(false);
        source->HoldAt(120);
        source->WaitUntilHeld();
        Check(settings->put_Delay(60) == S_OK, "put_Delay(60) at frame 120");
        source->HoldAt(180);
        source->WaitUntilHeld();
        WriteScript(script, Cue("0 100", kBlue));
        hr = settings->reload_File();
        Check(hr == S_OK, "reload_File at frame 180 loads the rewritten script (%s)",
              HexResult(hr).c_str());
        source->HoldAt(220);
        source->WaitUntilHeld();

        // With "Apply changes immediately" on, saving the file reloads it: a reload marks the
        // filter dirty, which is how the host sees it happen.
        // Long enough for the change notifications of the rewrite above to have come in:
        // they were seen while watching was off and must not reload.
        Sleep(200);
        SaveClearingDirty(persist);
        Check(persist->IsDirty() == S_FALSE, "the filter is clean after being saved");
        settings->put_ChangeImmediate(true);
        Sleep(200);
        Check(persist->IsDirty() == S_FALSE, "switching \"Apply changes immediately\" on reloads "
                                             "nothing by itself");
        const auto saved = std::chrono::steady_clock::now();
        WriteScript(script, Cue("0 100", kYellow));
        bool reloaded = false;
        while (!reloaded && std::chrono::steady_clock::now() - saved < std::chrono::seconds(10)) {
            Sleep(5);
            reloaded = persist->IsDirty() == S_OK;
        }
        const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - saved);
        Check(reloaded, "saving the script reloads it");
        Note("the reload came %lld ms after the save", (long long)latency.count());
        source->HoldAt(-1);

        sink->WaitForSamples(kFrames);
        CheckFrames(sink);

        // Stop while frames flow: the source sends without pause, the overlay draws, Stop
        // comes from this thread in the middle of it.
        control->Stop();
        sink->Clear();
        source->HoldAt(100);
        hr = control->Run();
        source->WaitUntilHeld();
        source->HoldAt(-1);
        source->WaitUntilDelivered(110);
        const auto stopping = std::chrono::steady_clock::now();
        hr = control->Stop();
        const auto stopTook = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - stopping);
        OAFilterState state = State_Running;
        control->GetState(1000, &state);
        Check(SUCCEEDED(hr) && state == State_Stopped,
              "Stop during streaming returns and the graph is stopped (%s)", HexResult(hr).c_str());
        Note("Stop took %lld ms, after %zu frames of the second run", (long long)stopTook.count(),
             source->Deliveries().size());

        control->Release();
        graph->RemoveFilter(sink->Itf());
        graph->RemoveFilter(source->Itf());
        source->Itf()->Release();
        sink->Itf()->Release();

        RunReadOnly(graph, overlayIn, overlayOut);

        overlayIn->Release();
        overlayOut->Release();
        graph->RemoveFilter(overlay);
        persist->Release();
        settings->Release();
        overlay->Release();
        graph->Release();
    }
    // With every object gone the module may go: nothing of it (the file watcher's thread, the
    // text backend) may still run once it is unloaded.
    CoFreeUnusedLibrariesEx(0, 0);
    Check(GetModuleHandleW(L"DirectQuorbit.ax") == nullptr,
          "once everything is released, the module is unloaded");
    Sleep(200);
    CoUninitialize();
    return dq::wine::ExitCode();
}

#include "overlay_job.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include "audio_passthrough.h"
#include "filter/i_direct_quorbit.h"
#include "frame_buffers.h"
#include "frame_loss_counter.h"
#include "interrupt_signals.h"
#include "media_file_reader.h"
#include "media_file_writer.h"
#include "overlay_filter_activation.h"
#include "overlay_graph.h"
#include "overlay_sink.h"
#include "overlay_source.h"
#include "png_sequence_writer.h"
#include "progress_bar.h"
#include "raw_frame_reader.h"
#include "raw_frame_writer.h"
#include "script_path.h"
#include "script_report.h"
#include "tool_error.h"

namespace {

// Warnings of a subtitle file printed without --verbose, and with it (all the filter keeps).
constexpr size_t kShownWarnings = 5;
constexpr size_t kMaxListedWarnings = 1'000'000;

// Holds one reference on a COM object for a scope.
template <class T> class Held {
public:
    explicit Held(T* object = nullptr) : m_object(object) {}
    ~Held() { Reset(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    void Reset(T* object = nullptr) {
        if (m_object != nullptr)
            m_object->Release();
        m_object = object;
    }
    T* Get() const { return m_object; }

private:
    T* m_object;
};

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Named(const std::string& path) {
    return path == "-" ? std::string("standard output") : "'" + path + "'";
}

} // namespace

OverlayJob::OverlayJob(const OverlayOptions& options) : m_options(options) {}

OverlayJob::~OverlayJob() = default;

void OverlayJob::Note(const std::string& line) {
    if (m_options.quiet)
        return;
    if (m_progress != nullptr)
        m_progress->Message(line);
    else
        std::fprintf(stderr, "dq-overlay: %s\n", line.c_str());
}

void OverlayJob::Verbose(const std::string& line) {
    if (m_options.verbose)
        Note(line);
}

int OverlayJob::Run() {
    InterruptSignals::SetOutputName(Named(m_options.output));
    try {
        return Execute();
    } catch (const std::exception& e) {
        m_progress = nullptr; // the bar went with the stack, clearing its line
        // A call cut short by a signal fails with a message of its own; the signal is the news.
        if (const int signal = InterruptSignals::Received(); signal != 0)
            return Interrupted(signal);
        const auto* tool = dynamic_cast<const ToolError*>(&e);
        std::fprintf(stderr, "dq-overlay: %s\n", e.what());
        return tool != nullptr ? tool->ExitCode() : kExitProcessing; // else out of memory, mostly
    }
}

int OverlayJob::Interrupted(int signal) {
    while (!InterruptSignals::TakeOverEnding())
        pause(); // the signal watcher is ending the process, with the message
    std::fprintf(stderr, "dq-overlay: interrupted; %s not written\n",
                 Named(m_options.output).c_str());
    return kExitSignalBase + signal;
}

OverlayJob::OutputKind OverlayJob::KindOfOutput() const {
    const std::string name = Lower(m_options.output);
    struct stat st = {};
    // A pipe or a device (a fifo, /dev/null) takes the raw frames as they are.
    const bool stream = stat(m_options.output.c_str(), &st) == 0 &&
                        (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode));
    if (m_options.output == "-" || stream || EndsWith(name, ".raw") || EndsWith(name, ".bgr") ||
        EndsWith(name, ".bgr24"))
        return OutputKind::Raw;
    if (EndsWith(name, ".png"))
        return OutputKind::Png;
    if (MediaFileWriter::IsContainer(name))
        return OutputKind::Container;
    throw ToolError(kExitUsage, "cannot tell what to write from the name '" + m_options.output +
                                    "' (use .mp4, .mkv, .mov, .webm, .avi, a .png name or "
                                    "pattern, .raw, or - for raw bgr24)");
}

std::unique_ptr<FrameReader> OverlayJob::OpenReader(AudioPassthrough& audio,
                                                    std::string& description) {
    const ReadRange range = {m_options.startMs, m_options.durationMs, m_options.frames};
    if (m_options.RawInput()) {
        auto reader = std::make_unique<RawFrameReader>(
            m_options.input, m_options.rawWidth, m_options.rawHeight, m_options.rawRate, range);
        char text[128];
        std::snprintf(text, sizeof text, "raw bgr24 %dx%d at %.6g fps", m_options.rawWidth,
                      m_options.rawHeight, av_q2d(m_options.rawRate));
        description = text;
        return reader;
    }
    auto reader = std::make_unique<MediaFileReader>(m_options.input, range, audio);
    reader->SetStrict(m_options.strict);
    description = reader->Describe();
    m_mediaReader = reader.get();
    return reader;
}

std::unique_ptr<FrameWriter> OverlayJob::OpenWriter(const FrameFormat& format,
                                                    AudioPassthrough& audio) {
    switch (KindOfOutput()) {
    case OutputKind::Raw:
        return std::make_unique<RawFrameWriter>(m_options.output, format);
    case OutputKind::Png:
        return std::make_unique<PngSequenceWriter>(m_options.output, format);
    case OutputKind::Container: {
        auto writer = std::make_unique<MediaFileWriter>(
            m_options.output, format, EncodeOptions{m_options.codec, m_options.quality}, audio,
            m_mediaReader != nullptr ? &m_mediaReader->Extras() : nullptr);
        for (const std::string& stream : writer->LeftOut())
            Note(Named(m_options.output) + " cannot hold the input's " + stream +
                 "; it is left out");
        // Decoded pictures go round the graph beside their bgr24 frames, so that only what the
        // overlay drew is converted back.
        if (m_mediaReader != nullptr && writer->CanMergeDecodedFrames()) {
            writer->MergeDecodedFrames(&m_decoded);
            m_mediaReader->KeepDecodedFrames(&m_decoded);
        }
        return writer;
    }
    }
    return nullptr;
}

void OverlayJob::ApplySettings(IDirectQuorbit* settings, ScriptPath* script, ScriptReport& report) {
    settings->put_HideSubtitles(m_options.hide);
    settings->put_Delay(m_options.delay);
    settings->put_DebugOutput(m_options.debug);
    settings->put_ChangeImmediate(m_options.watch);
    if (script == nullptr)
        return;
    // After the connection, so the script is laid out for the real frame size. The filter's
    // load is the only one: what it said comes from the filter.
    const HRESULT hr = settings->put_FileName(script->Wide());
    const std::optional<ScriptReport::Load> load = report.Latest();
    if (load && !load->loaded)
        throw ToolError(kExitScript, load->message);
    if (FAILED(hr)) {
        if (!load)
            throw ToolError(kExitScript,
                            "the overlay filter cannot load '" + m_options.script + "'");
        // Loaded, but its folder cannot be watched for changes.
        if (m_options.watch)
            throw ToolError(kExitScript, "cannot watch '" + m_options.script + "' for changes");
    }
    if (load)
        for (const std::string& line : report.WarningLines(*load))
            Note(line);
}

int OverlayJob::Execute() {
    const OutputKind kind = KindOfOutput();
    if (kind != OutputKind::Container && (!m_options.codec.empty() || m_options.quality))
        throw ToolError(kExitUsage, "--codec and --quality apply to video files (.mp4, .mkv, "
                                    ".mov, .webm, .avi) only");
    if (kind == OutputKind::Png && !PngSequenceWriter::IsPattern(m_options.output)) {
        if (m_options.frames && *m_options.frames != 1)
            throw ToolError(kExitUsage, "'" + m_options.output +
                                            "' holds one still; give a pattern such as "
                                            "frame-%05d.png for more");
        m_options.frames = 1;
    }
    if (m_options.output == "-" && isatty(STDOUT_FILENO))
        throw ToolError(kExitUsage, "raw video is not written to a terminal; redirect it");
    std::optional<ScriptPath> script;
    if (!m_options.script.empty()) {
        script.emplace(m_options.script);
        if (const std::string problem = script->Problem(); !problem.empty())
            throw ToolError(kExitScript, problem);
    }

    // Declared in the order they are needed; destroyed the other way round, the graph first.
    AudioPassthrough audio;
    std::string inputDescription;
    std::unique_ptr<FrameReader> reader = OpenReader(audio, inputDescription);
    const FrameFormat& format = reader->Format();
    FrameBuffers::Check(format.width, format.height, format.FrameBytes(),
                        FrameBuffers::AvailableMemory());
    Verbose("input: " +
            (m_options.input == "-" ? std::string("standard input") : "'" + m_options.input + "'") +
            ", " + inputDescription);

    std::unique_ptr<FrameWriter> writer = OpenWriter(format, audio);
    Verbose("output: " + writer->Describe());

    std::string how;
    Held<IBaseFilter> overlay(OverlayFilterActivation::Create(how));
    Verbose("filter: " + how);
    Held<IBaseFilter> source(COverlaySource::Create(*reader, m_status)->Itf());
    Held<IBaseFilter> sink(COverlaySink::Create(format, *writer, m_status)->Itf());
    auto graph = std::make_unique<OverlayGraph>(source.Get(), overlay.Get(), sink.Get());
    Verbose("graph: source -> DirectQuorbit -> sink, RGB24 " + std::to_string(format.width) + "x" +
            std::to_string(format.height) + ", rows bottom-up");
    // Warnings are few on a terminal; --verbose lists every one.
    ScriptReport report(overlay.Get(), m_options.verbose ? kMaxListedWarnings : kShownWarnings);
    ApplySettings(graph->Settings(), script ? &*script : nullptr, report);
    const bool watching = m_options.watch && script;
    if (watching)
        report.TakeNews(m_options.script); // the load just reported

    ProgressBar progress(!m_options.quiet, reader->ExpectedFrames());
    m_progress = &progress;
    graph->Run();
    OverlayGraph::Outcome outcome = OverlayGraph::Outcome::Running;
    int signal = 0;
    while (outcome == OverlayGraph::Outcome::Running) {
        outcome = graph->Wait(100);
        if ((signal = InterruptSignals::Received()) != 0) {
            m_status.Cancel();
            break;
        }
        progress.Update(m_status.FramesWritten());
        if (watching)
            for (const std::string& line :
                 report.TakeNews(std::filesystem::path(m_options.script).filename().string()))
                Note(line);
    }
    graph->Stop();
    graph.reset();
    progress.Clear();
    m_progress = nullptr;

    if (signal != 0 || (signal = InterruptSignals::Received()) != 0) {
        writer->Discard();
        return Interrupted(signal);
    }
    if (m_status.Failed()) {
        writer->Discard();
        std::fprintf(stderr, "dq-overlay: %s\n", m_status.Message().c_str());
        return m_status.ExitCode();
    }
    if (outcome != OverlayGraph::Outcome::Completed) {
        writer->Discard();
        std::fprintf(stderr, "dq-overlay: the filter graph stopped before the end\n");
        return kExitProcessing;
    }
    const int64_t frames = m_status.FramesWritten();
    const FrameLossCounter* losses = reader->Losses();
    const bool lost = losses != nullptr && losses->Any();
    // A video or a still without a single frame is no output at all.
    if (frames == 0 && lost) {
        writer->Discard();
        std::fprintf(stderr, "dq-overlay: %s\n",
                     losses->Describe("'" + m_options.input + "'", -1).c_str());
        return kExitInput;
    }
    if (frames == 0) {
        writer->Discard();
        std::fprintf(stderr, "dq-overlay: %s has no frames%s; nothing written\n",
                     m_options.input == "-" ? "standard input"
                                            : ("'" + m_options.input + "'").c_str(),
                     m_options.startMs > 0 ? " from the start time on" : "");
        return kExitInput;
    }
    // From here the run ends as it would have without a late signal.
    while (!InterruptSignals::TakeOverEnding())
        pause();
    writer->Commit();
    if (auto* media = dynamic_cast<MediaFileWriter*>(writer.get()); media != nullptr)
        if (const std::string merged = media->MergeSummary(); !merged.empty())
            Verbose(merged);
    char summary[160];
    std::snprintf(summary, sizeof summary, "%lld frames written to %s (%.1f fps)",
                  (long long)frames, Named(m_options.output).c_str(), progress.AverageFps(frames));
    if (m_options.verbose || (!m_options.quiet && isatty(STDERR_FILENO)))
        Note(summary);
    // Lost pictures are said even with --quiet: the output is not what the user may think.
    if (lost)
        std::fprintf(stderr, "dq-overlay: warning: %s\n",
                     losses->Describe("'" + m_options.input + "'", frames).c_str());
    return kExitOk;
}

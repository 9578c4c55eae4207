// One run of dq-overlay: opens the input and the output, builds the graph around the overlay
// filter, applies the settings, streams, and either puts the finished output in place or removes
// it. Every failure becomes one line on standard error and an exit code.
#pragma once

#include <memory>
#include <string>

#include "decoded_frames.h"
#include "frame_reader.h"
#include "frame_writer.h"
#include "overlay_options.h"
#include "run_status.h"

class AudioPassthrough;
class MediaFileReader;
class ProgressBar;
struct IDirectQuorbit;

class OverlayJob {
public:
    explicit OverlayJob(const OverlayOptions& options);
    ~OverlayJob();

    // The exit code (kExitOk when the output was written).
    int Run();

private:
    enum class OutputKind { Container, Png, Raw };

    int Execute();
    // Says the run was interrupted by `signal` (once) and gives the exit code.
    int Interrupted(int signal);
    OutputKind KindOfOutput() const;
    std::unique_ptr<FrameReader> OpenReader(AudioPassthrough& audio, std::string& description);
    std::unique_ptr<FrameWriter> OpenWriter(const FrameFormat& format, AudioPassthrough& audio);
    // script: null when the run has none.
    void ApplySettings(IDirectQuorbit* settings, class ScriptPath* script,
                       class ScriptReport& report);
    void Note(const std::string& line);
    void Verbose(const std::string& line);

    OverlayOptions m_options;
    RunStatus m_status;
    ProgressBar* m_progress = nullptr;        // while streaming
    MediaFileReader* m_mediaReader = nullptr; // the reader, when it decodes a file
    DecodedFrames m_decoded;                  // outlives the reader and the writer
};

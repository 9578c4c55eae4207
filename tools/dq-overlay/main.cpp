// dq-overlay: a video in, the same video with the DirectQuorbit overlay out, through the real
// filter in a DirectShow graph. `dq-overlay --help` tells how to use it.
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "dq_version.h"
#include "interrupt_signals.h"
#include "platform/platform.h"
#include "overlay_job.h"
#include "overlay_options.h"
#include "tool_error.h"

int main(int argc, char** argv) {
    InterruptSignals::Install();
    // The libraries' own chatter would break the one-line messages; --verbose lets warnings by.
    av_log_set_level(AV_LOG_QUIET);

    OverlayOptions options;
    CommandAction action;
    try {
        action = ParseOverlayOptions(argc, argv, options);
    } catch (const ToolError& e) {
        std::fprintf(stderr, "dq-overlay: %s\n", e.what());
        return e.ExitCode();
    }
    if (action == CommandAction::Help) {
        std::fputs(OverlayUsageText(), stdout);
        return kExitOk;
    }
    if (action == CommandAction::Version) {
        std::printf("dq-overlay %s (DirectQuorbit); libavformat %s, libavcodec %s\n",
                    DQ_VERSION_TEXT, AV_STRINGIFY(LIBAVFORMAT_VERSION),
                    AV_STRINGIFY(LIBAVCODEC_VERSION));
        return kExitOk;
    }
    if (options.verbose)
        av_log_set_level(AV_LOG_WARNING);

    CoInitialize(nullptr);
    const int code = OverlayJob(options).Run();
    CoUninitialize();
    return code;
}

#include "overlay_options.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "drawlib/script_time.h"
#include "tool_error.h"

namespace {

[[noreturn]] void Usage(const std::string& message) {
    throw ToolError(kExitUsage, message + " (see dq-overlay --help)");
}

bool ParseInt(std::string_view text, int64_t& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

int64_t IntValue(std::string_view option, std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    if (!ParseInt(text, value) || value < min || value > max)
        Usage(std::string(option) + ": '" + std::string(text) + "' is not a whole number from " +
              std::to_string(min) + " to " + std::to_string(max));
    return value;
}

int64_t TimeValue(std::string_view option, std::string_view text) {
    const auto ms = dq::drawlib::ParseTime(text);
    if (!ms || *ms < 0)
        Usage(std::string(option) + ": '" + std::string(text) +
              "' is not a time (seconds, [[h:]mm:]ss[.fff] or frames of 1/60 s as 90f)");
    return *ms;
}

// "30", "29.97", "30000/1001".
AVRational RateValue(std::string_view text) {
    int64_t num = 0, den = 1;
    const size_t slash = text.find('/');
    bool ok = false;
    if (slash != std::string_view::npos) {
        ok = ParseInt(text.substr(0, slash), num) && ParseInt(text.substr(slash + 1), den);
    } else {
        const size_t point = text.find('.');
        if (point == std::string_view::npos) {
            ok = ParseInt(text, num);
        } else {
            const std::string_view whole = text.substr(0, point), fraction = text.substr(point + 1);
            int64_t w = 0, f = 0;
            ok = (whole.empty() || ParseInt(whole, w)) && !fraction.empty() &&
                 fraction.size() <= 6 && ParseInt(fraction, f) && fraction.front() != '+';
            den = 1;
            for (size_t i = 0; i < fraction.size(); ++i)
                den *= 10;
            num = w * den + f;
        }
    }
    if (!ok || num <= 0 || den <= 0 || num > 1'000'000 * den || num < den / 1000)
        Usage("--rate: '" + std::string(text) + "' is not a frame rate (30, 29.97 or 30000/1001)");
    AVRational rate;
    av_reduce(&rate.num, &rate.den, num, den, INT32_MAX);
    return rate;
}

void SizeValue(std::string_view text, int& width, int& height) {
    const size_t x = text.find('x');
    int64_t w = 0, h = 0;
    if (x == std::string_view::npos || !ParseInt(text.substr(0, x), w) ||
        !ParseInt(text.substr(x + 1), h) || w <= 0 || h <= 0 || w > 16384 || h > 16384)
        Usage("--size: '" + std::string(text) + "' is not a frame size WxH (1 to 16384 each)");
    width = int(w);
    height = int(h);
}

} // namespace

const char* OverlayUsageText() {
    return R"(usage: dq-overlay [options] INPUT OUTPUT

Runs a video through the DirectQuorbit overlay filter: every frame gets the overlay that the
script shows at that frame's time.

INPUT   a video file that FFmpeg's libraries read; or raw bgr24 frames with --size,
        from a file or from standard input (-)
OUTPUT  by its extension:
          .mp4 .mkv .mov .webm .avi   encoded video (H.264; VP9 for .webm) in the input's
                                      pixel format and colours, untouched outside the
                                      overlay; audio, subtitles, fonts, chapters copied
          NAME-%05d.png               one PNG still per frame, numbered from 1
          NAME.png                    one PNG still: the first frame
          .raw .bgr .bgr24            raw bgr24 frames, top row first; also for -
                                      (standard output) and an existing pipe or device

Overlay:
  --script FILE     the overlay script (QuorENT file, .srt or .vtt)
  --delay N         delay the overlay by N frames of 1/60 s (negative: earlier)
  --hide            leave every frame as it is
  --watch           reload the script whenever the file changes
  --debug           show the debug panel
Part of the input:
  --start TIME      begin TIME into the input (5, 1:30, 0:01:02.5, 90f)
  --duration TIME   process at most TIME of it
  --frames N        process at most N frames
Raw input:
  --size WxH        frame size (required for raw input)
  --rate R          frame rate: 25 (default), 29.97, 30000/1001
Encoding:
  --codec NAME      video encoder, e.g. libx264, libx265, libvpx-vp9, mpeg4, ffv1
  --quality N       constant quality, lower is better: the CRF of x264/x265 (default 20)
                    and VP8/VP9 (default 32); the quantiser of other encoders
Damaged input:
  --strict          fail (exit 1, nothing written) when a frame of the input is lost or
                    damaged; without it the run goes on and ends with a warning
Output:
  --quiet           no progress bar, notes or script warnings; errors and the warning
                    about lost frames only
  --verbose         say how the graph is made and what is written, and list every warning of
                    a subtitle file (else the first five and a count)
  --help, --version

Exit codes: 0 done, 1 input unreadable or unsupported, 2 wrong command line, 3 script does not
load, 4 output cannot be written, 5 filter or graph failure, 128+N stopped by signal N (130:
Ctrl-C). A run that fails leaves no output behind.
)";
}

CommandAction ParseOverlayOptions(int argc, char** argv, OverlayOptions& o) {
    std::string positional[2];
    int positionals = 0;
    bool onlyPositionals = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (onlyPositionals || arg == "-" || arg.substr(0, 2) != "--") {
            if (!onlyPositionals && arg.size() > 1 && arg[0] == '-')
                Usage("unknown option '" + std::string(arg) + "'");
            if (positionals == 2)
                Usage("too many arguments: '" + std::string(arg) + "'");
            positional[positionals++] = std::string(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositionals = true;
            continue;
        }
        // --name=value or --name value
        std::string_view name = arg, inlineValue;
        bool hasInline = false;
        if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInline = true;
        }
        auto flag = [&]() {
            if (hasInline)
                Usage(std::string(name) + " takes no value");
        };
        auto value = [&]() -> std::string_view {
            if (hasInline)
                return inlineValue;
            if (i + 1 >= argc)
                Usage(std::string(name) + " needs a value");
            return argv[++i];
        };
        if (name == "--help") {
            flag();
            return CommandAction::Help;
        } else if (name == "--version") {
            flag();
            return CommandAction::Version;
        } else if (name == "--script") {
            o.script = std::string(value());
            if (o.script.empty())
                Usage("--script needs a file name");
        } else if (name == "--delay") {
            o.delay = int32_t(IntValue(name, value(), -100'000'000, 100'000'000));
        } else if (name == "--hide") {
            flag();
            o.hide = true;
        } else if (name == "--watch") {
            flag();
            o.watch = true;
        } else if (name == "--debug") {
            flag();
            o.debug = true;
        } else if (name == "--start") {
            o.startMs = TimeValue(name, value());
        } else if (name == "--duration") {
            o.durationMs = TimeValue(name, value());
            if (*o.durationMs == 0)
                Usage("--duration: must be more than 0");
        } else if (name == "--frames") {
            o.frames = IntValue(name, value(), 1, INT64_MAX);
        } else if (name == "--size") {
            SizeValue(value(), o.rawWidth, o.rawHeight);
        } else if (name == "--rate") {
            o.rawRate = RateValue(value());
            o.rawRateGiven = true;
        } else if (name == "--codec") {
            o.codec = std::string(value());
        } else if (name == "--quality") {
            o.quality = int(IntValue(name, value(), 0, 1000));
        } else if (name == "--strict") {
            flag();
            o.strict = true;
        } else if (name == "--quiet") {
            flag();
            o.quiet = true;
        } else if (name == "--verbose") {
            flag();
            o.verbose = true;
        } else {
            Usage("unknown option '" + std::string(name) + "'");
        }
    }
    if (positionals < 2)
        Usage(positionals == 0 ? "INPUT and OUTPUT are missing" : "OUTPUT is missing");
    o.input = positional[0];
    o.output = positional[1];
    if (o.input.empty() || o.output.empty())
        Usage("INPUT and OUTPUT must not be empty");
    if (o.quiet && o.verbose)
        Usage("--quiet and --verbose exclude each other");
    if (o.input == "-" && !o.RawInput())
        Usage("reading standard input needs --size WxH (raw bgr24 frames)");
    if (o.rawRateGiven && !o.RawInput())
        Usage("--rate applies to raw input only (give --size too)");
    return CommandAction::Run;
}

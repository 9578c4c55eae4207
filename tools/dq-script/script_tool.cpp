#include "script_tool.h"

#include <charconv>
#include <ostream>

#include "cue_listing.h"
#include "drawlib/script_error.h"
#include "drawlib/script_loader.h"
#include "drawlib/script_location.h"

namespace {

constexpr const char* kUsage =
    "usage: dq-script check FILE [--size WxH]\n"
    "       dq-script cues FILE [--size WxH] [--json]\n"
    "\n"
    "Loads an overlay script (QuorENT, SubRip or WebVTT) as the DirectQuorbit filter loads it\n"
    "for frames of the given size (1920x1080 when not given).\n"
    "  check   prints each warning, or the error, as file:line: message\n"
    "  cues    lists the cues loaded: start, end, layer, alignment, text\n"
    "  --json  (cues) the format, the cues and the warnings as one JSON object\n"
    "\n"
    "Exit codes: 0 loads (check: without warnings), 1 check: loads with warnings, 2 wrong\n"
    "command line, 3 the file does not load.\n";

struct Options {
    std::string command;
    std::string file;
    int width = 1920, height = 1080;
    bool json = false;
};

bool ParseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    const auto number = [](std::string_view digits, int& value) {
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return !digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
               value > 0 && value <= 100'000;
    };
    const std::string_view all(text);
    return number(all.substr(0, x), width) && number(all.substr(x + 1), height);
}

// Fills options; on a mistake, the message to print.
std::string Parse(const std::vector<std::string>& args, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--size") {
            if (i + 1 == args.size())
                return "--size needs WIDTHxHEIGHT";
            if (!ParseSize(args[++i], o.width, o.height))
                return "bad size '" + args[i] + "' (expected WIDTHxHEIGHT, as 1920x1080)";
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option '" + arg + "'";
        } else if (o.command.empty()) {
            o.command = arg;
        } else if (o.file.empty()) {
            o.file = arg;
        } else {
            return "unexpected argument '" + arg + "'";
        }
    }
    if (o.command.empty())
        return "missing command (check or cues)";
    if (o.command != "check" && o.command != "cues")
        return "unknown command '" + o.command + "' (check or cues)";
    if (o.file.empty())
        return "missing file";
    if (o.json && o.command != "cues")
        return "--json goes with cues";
    return "";
}

} // namespace

int RunScriptTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return kScriptClean;
    }
    Options o;
    const std::string mistake = Parse(args, o);
    if (!mistake.empty()) {
        err << "dq-script: " << mistake << "\n" << kUsage;
        return kScriptUsage;
    }

    std::unique_ptr<dq::drawlib::Script> script;
    try {
        script = dq::drawlib::LoadScript(o.file, o.height);
    } catch (const ScriptError& e) {
        // check reports on standard output whatever it finds; cues lists only what loaded.
        (o.command == "check" ? out : err) << e.what() << '\n';
        return kScriptFailed;
    }

    if (o.command == "check") {
        for (const dq::drawlib::ScriptWarning& warning : script->warnings)
            out << dq::drawlib::FormatWarning(script->fileName, warning) << '\n';
        if (script->warningCount > script->warnings.size())
            out << script->fileName << ": and " << script->warningCount - script->warnings.size()
                << " more warnings\n";
        return script->warningCount > 0 ? kScriptWarnings : kScriptClean;
    }
    if (o.json) {
        WriteJson(*script, out);
    } else {
        for (const dq::drawlib::ScriptWarning& warning : script->warnings)
            err << dq::drawlib::FormatWarning(script->fileName, warning) << '\n';
        ListCues(*script, out);
    }
    return kScriptClean;
}

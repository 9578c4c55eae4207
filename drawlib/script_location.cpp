#include "drawlib/script_location.h"

#include "drawlib/script_error.h"

namespace dq::drawlib {

void ScriptLocation::Fail(std::string_view what) const {
    throw ScriptError(FormatWarning(file, ScriptWarning{line, std::string(what)}));
}

std::string FormatWarning(std::string_view file, const ScriptWarning& warning) {
    std::string message(file);
    if (warning.line > 0) {
        message += ':';
        message += std::to_string(warning.line);
    }
    message += ": ";
    message += warning.message;
    return message;
}

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

} // namespace dq::drawlib

#include "drawlib/script_location.h"

#include "drawlib/script_error.h"

namespace dq::drawlib {

void ScriptLocation::Fail(std::string_view what) const {
    std::string message(file);
    if (line > 0) {
        message += ':';
        message += std::to_string(line);
    }
    message += ": ";
    message += what;
    throw ScriptError(message);
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

#include "script_path.h"

#include <filesystem>

#include "filter/i_direct_quorbit.h"
#include "platform/files/file_name.h"

ScriptPath::ScriptPath(const std::string& script) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(script, ec).lexically_normal();
    if (ec)
        path = script;
    m_text = path.string();
    m_wide = dq::files::WideFromPath(path);
}

std::string ScriptPath::Problem() const {
    if (m_wide.size() < DQ_MAX_PATH)
        return "";
    return "the script's path is longer than " + std::to_string(DQ_MAX_PATH - 1) +
           " characters: " + m_text;
}

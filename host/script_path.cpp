#include "script_path.h"

#include <filesystem>

#include "filter/i_direct_quorbit.h"
#include "wide_text.h"

ScriptPath::ScriptPath(const std::string& script) {
    std::error_code ec;
    m_text = std::filesystem::absolute(script, ec).lexically_normal().string();
    if (ec)
        m_text = script;
    m_wide = ::Wide(m_text, CP_ACP);
}

std::string ScriptPath::Problem() const {
    if (m_wide.size() < DQ_MAX_PATH)
        return "";
    return "the script's path is longer than " + std::to_string(DQ_MAX_PATH - 1) +
           " characters: " + m_text;
}

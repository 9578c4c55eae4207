// The script's path as a host hands it to the filter: absolute, so that watching finds its folder
// (as given when it cannot be made so), and wide as the filter turns it back into a file name,
// which keeps the bytes of a name that is not UTF-8, so that the filter opens the same file.
#pragma once

#include <string>

#include "platform/files/file_name.h"

class ScriptPath {
public:
    explicit ScriptPath(const std::string& script);

    const std::string& Text() const { return m_text; }
    // Null-terminated, as the filter takes it.
    WCHAR* Wide() { return m_wide.data(); }
    // Why the filter cannot take the path (it is too long), or empty.
    std::string Problem() const;

private:
    std::string m_text;
    dq::files::WideString m_wide;
};

// The script's path as a host hands it to the filter: absolute, so that watching finds its folder
// (as given when it cannot be made so), and wide in the code page of file names, which keeps the
// bytes of a name that is not UTF-8, so that the filter opens the same file.
#pragma once

#include <string>

#include "platform/platform.h"

class ScriptPath {
public:
    explicit ScriptPath(const std::string& script);

    const std::string& Text() const { return m_text; }
    // Null-terminated, as the filter takes it.
    WCHAR* Wide() { return reinterpret_cast<WCHAR*>(m_wide.data()); }
    // Why the filter cannot take the path (it is too long), or empty.
    std::string Problem() const;

private:
    std::string m_text;
    std::u16string m_wide;
};

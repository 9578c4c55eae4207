// A failure that ends the run: the one-line message for the user and the exit code to give.
#pragma once

#include <stdexcept>
#include <string>

#include "exit_codes.h"

class ToolError : public std::runtime_error {
public:
    ToolError(int exitCode, const std::string& message)
        : std::runtime_error(message), m_exitCode(exitCode) {}
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};

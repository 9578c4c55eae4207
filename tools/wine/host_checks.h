// What the Wine test hosts share: checks that report each outcome on standard output (the test
// script shows them), a count of failures for the exit code, and a watchdog so that a host that
// hangs in the system under test fails instead of stalling the run.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace dq::wine {

inline int& Failures() {
    static int failures = 0;
    return failures;
}

// Prints "ok" or "FAIL" with the description; returns the outcome.
inline bool Check(bool passed, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::printf("%s %s\n", passed ? "ok  " : "FAIL", text);
    std::fflush(stdout);
    if (!passed)
        ++Failures();
    return passed;
}

inline void Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::printf("     ");
    std::vprintf(format, args);
    std::printf("\n");
    va_end(args);
    std::fflush(stdout);
}

// Ends the process with a failure if it is still running after `seconds`.
inline void StartWatchdog(DWORD seconds, const char* what) {
    struct Arguments {
        DWORD milliseconds;
        const char* what;
    };
    static Arguments arguments;
    arguments = {seconds * 1000, what};
    CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            Sleep(arguments.milliseconds);
            std::printf("FAIL %s did not finish in time\n", arguments.what);
            std::fflush(stdout);
            ExitProcess(3);
        },
        nullptr, 0, nullptr);
}

inline int ExitCode() {
    std::printf("%s: %d failure(s)\n", Failures() ? "FAILED" : "passed", Failures());
    return Failures() ? 1 : 0;
}

inline std::string HexResult(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

} // namespace dq::wine

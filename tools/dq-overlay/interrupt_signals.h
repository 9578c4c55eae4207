// Ctrl-C and its kin (SIGINT, SIGTERM, SIGHUP). The first asks the run to stop cleanly: the
// streaming threads stop, blocked reads and writes are woken (see BlockingCall), the unfinished
// output is discarded, and the run exits with 128 + the signal's number. Should the clean stop
// not be done within a grace period (a read stuck in a file system that ignores signals), or
// should a second signal come, the process ends at once, after removing the temporary output
// files it knows of and saying so. A closed pipe on standard output shows as a write error
// (EPIPE) instead of killing the process.
#pragma once

#include <string>

class InterruptSignals {
public:
    // Installs the handlers and starts the thread that acts on them.
    static void Install();
    // The first signal received, or 0.
    static int Received();

    // The temporary files to remove when the process has to end before its clean stop.
    static void AddTemporaryFile(const std::string& path);
    static void RemoveTemporaryFile(const std::string& path);
    // How the output is named in "interrupted; NAME not written".
    static void SetOutputName(const std::string& shown);

    // The run takes its ending into its own hands (it has said it was interrupted, or its output
    // is complete): the grace period no longer applies. False when the process is already
    // ending on its own (the message is given).
    static bool TakeOverEnding();

    // How long the clean stop may take after the first signal.
    static constexpr int kGraceMs = 700;
};

// Ctrl-C and its kin (SIGINT, SIGTERM, SIGHUP): the first asks the run to stop cleanly, which
// discards the unfinished output; a second one ends the process at once, after removing the
// temporary output file it knows of. A closed pipe on standard output shows as a write error
// (EPIPE) instead of killing the process.
#pragma once

class InterruptSignals {
public:
    static void Install();
    // The signal received, or 0.
    static int Received();
    // The temporary file a second signal removes (null: none). The text is copied.
    static void SetTemporaryFile(const char* path);
};

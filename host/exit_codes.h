// dq-overlay's exit codes: one per kind of failure, so that scripts can tell them apart.
#pragma once

enum ExitCode : int {
    kExitOk = 0,
    kExitInput = 1,      // the input cannot be read, or is not a video we can decode
    kExitUsage = 2,      // the command line is wrong
    kExitScript = 3,     // the overlay script does not load
    kExitOutput = 4,     // the output cannot be written or encoded
    kExitProcessing = 5, // the overlay filter cannot be created, or the graph fails
    // An interrupted run exits with 128 + the signal's number (130 for Ctrl-C).
    kExitSignalBase = 128,
};

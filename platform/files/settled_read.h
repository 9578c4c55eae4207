// The part of reading a file whole that both backends share: read, and read again until the file
// holds still. A read that saw the file move is repeated; one of a file written moments ago (a
// writer may be between truncating and writing) waits until the file has been quiet for the
// settling time and is kept only if the file has not moved since. A file that never holds still
// within the give-up time is Unsettled.
#pragma once

#include <chrono>
#include <thread>

#include "platform/files/regular_file.h"

namespace dq::files {

// One read as a backend makes it.
struct ReadAttempt {
    FileContents contents;
    bool changed = false; // the file moved while it was read
    // How long before now the file was last written; negative when its clock is ahead of ours.
    std::chrono::nanoseconds sinceWritten{0};
};

// read() makes one ReadAttempt; unmoved() says whether the file is still as the last read
// left it.
template <typename Read, typename Unmoved>
FileContents ReadWhenSettled(Read&& read, Unmoved&& unmoved) {
    using Clock = std::chrono::steady_clock;
    const auto giveUp = Clock::now() + std::chrono::milliseconds(kGiveUpMilliseconds);
    constexpr std::chrono::nanoseconds settle = std::chrono::milliseconds(kSettleMilliseconds);
    for (int reads = 1;; ++reads) {
        ReadAttempt attempt = read();
        FileContents& result = attempt.contents;
        result.reads = reads;
        if (result.status != ReadStatus::Read)
            return std::move(result);
        if (!attempt.changed) {
            const std::chrono::nanoseconds age = attempt.sinceWritten;
            if (age.count() < 0 || age >= settle)
                return std::move(result);
            std::this_thread::sleep_for(settle - age);
            if (unmoved())
                return std::move(result);
        }
        if (Clock::now() >= giveUp) {
            result.status = ReadStatus::Unsettled;
            result.bytes.clear();
            return std::move(result);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace dq::files

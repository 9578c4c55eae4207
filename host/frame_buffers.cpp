#include "frame_buffers.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <sys/sysinfo.h>

#include "tool_error.h"

namespace {

// Besides the buffers, the reader or the writer keeps about one frame of its own.
uint64_t Needed(int count, uint64_t frame) {
    return (uint64_t(count) + 1) * frame;
}

} // namespace

int FrameBuffers::CountFor(size_t frameBytes, uint64_t available) {
    const uint64_t frame = std::max<uint64_t>(frameBytes, 1);
    int count = int(std::clamp<uint64_t>(kBudget / frame, kFewest, kUsual));
    while (count > kFewest && Needed(count, frame) > available)
        --count;
    return count;
}

void FrameBuffers::Check(int width, int height, size_t frameBytes, uint64_t available) {
    const int count = CountFor(frameBytes, available);
    if (Needed(count, frameBytes) <= available)
        return;
    throw ToolError(kExitUsage, "frames of " + std::to_string(width) + "x" +
                                    std::to_string(height) + " take " + Bytes(frameBytes) +
                                    " each; the " + std::to_string(count + 1) +
                                    " a run needs do not fit in the " + Bytes(available) +
                                    " of memory available");
}

uint64_t FrameBuffers::AvailableMemory() {
    // MemAvailable counts the caches the kernel can drop; sysinfo's free memory does not.
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    uint64_t availableKiB = 0, swapKiB = 0;
    bool found = false;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string name;
        uint64_t kib = 0;
        fields >> name >> kib;
        if (name == "MemAvailable:") {
            availableKiB = kib;
            found = true;
        } else if (name == "SwapFree:") {
            swapKiB = kib;
        }
    }
    if (found)
        return (availableKiB + swapKiB) * 1024;
    struct sysinfo info = {};
    if (sysinfo(&info) != 0)
        return UINT64_MAX; // nothing to go by: let the allocator answer
    return (uint64_t(info.freeram) + info.bufferram + info.freeswap) * info.mem_unit;
}

std::string FrameBuffers::Bytes(uint64_t bytes) {
    static const char* const kUnits[] = {"bytes", "kB", "MB", "GB", "TB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1000 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%llu bytes", (unsigned long long)bytes);
    else
        std::snprintf(text, sizeof text,
                      value < 10    ? "%.2f %s"
                      : value < 100 ? "%.1f %s"
                                    : "%.0f %s",
                      value, kUnits[unit]);
    return text;
}

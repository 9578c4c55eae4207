#include "raw_frame_reader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/mathematics.h>
}

#include "interrupt_signals.h"
#include "io_vectors.h"
#include "tool_error.h"

namespace {

std::string Shown(const std::string& path) {
    return path == "-" ? "standard input" : "'" + path + "'";
}

} // namespace

RawFrameReader::RawFrameReader(const std::string& path, int width, int height, AVRational rate,
                               const ReadRange& range)
    : m_path(path), m_range(range) {
    m_format.width = width;
    m_format.height = height;
    m_format.frameRate = rate;
    m_format.timeBase = av_inv_q(rate);
    m_format.sampleAspect = {1, 1};

    if (path == "-") {
        m_fd = STDIN_FILENO;
    } else {
        {
            // A FIFO's open waits for its writer.
            BlockingCall call(InterruptFlag());
            do
                m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            while (m_fd < 0 && errno == EINTR && InterruptSignals::Received() == 0);
        }
        if (m_fd < 0)
            Fail(std::strerror(errno));
        m_ownsFd = true;
    }
    struct stat st = {};
    if (fstat(m_fd, &st) != 0)
        Fail(std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        Fail(std::strerror(EISDIR));
    m_pollable = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);

    const int64_t frameBytes = int64_t(width) * 3 * height;
    // The first frame at or after --start.
    const int64_t startFrame =
        av_rescale_rnd(range.startMs, rate.num, int64_t(rate.den) * 1000, AV_ROUND_UP);
    if (S_ISREG(st.st_mode)) {
        if (st.st_size % frameBytes != 0)
            Fail("its size is not a whole number of " + std::to_string(width) + "x" +
                 std::to_string(height) + " bgr24 frames (is --size right?)");
        const int64_t total = st.st_size / frameBytes;
        m_skipped = std::min(startFrame, total);
        if (lseek(m_fd, off_t(m_skipped * frameBytes), SEEK_SET) < 0)
            Fail(std::strerror(errno));
        m_expected = total - m_skipped;
    } else {
        // A pipe cannot seek: the frames before the start are read and dropped.
        std::vector<uint8_t> discard(static_cast<size_t>(frameBytes));
        while (m_skipped < startFrame) {
            iovec v = {discard.data(), discard.size()}; // ReadExactly moves it along
            if (!ReadExactly(&v, 1))
                break;
            ++m_skipped;
        }
    }
    if (m_expected >= 0 && range.frames)
        m_expected = std::min(m_expected, *range.frames);
    if (m_expected >= 0 && range.durationMs) {
        const int64_t inDuration =
            av_rescale_rnd(*range.durationMs, rate.num, int64_t(rate.den) * 1000, AV_ROUND_UP);
        m_expected = std::min(m_expected, inDuration);
    }
    m_vectors.resize(size_t(height));
}

RawFrameReader::~RawFrameReader() {
    if (m_ownsFd)
        close(m_fd);
}

void RawFrameReader::Fail(const std::string& cause) const {
    throw ToolError(kExitInput, "cannot read " + Shown(m_path) + ": " + cause);
}

int64_t RawFrameReader::FrameTime(int64_t index) const {
    return av_rescale_q(index, m_format.timeBase, kRefTimeBase);
}

int64_t RawFrameReader::SegmentStart() const {
    return FrameTime(m_skipped);
}

bool RawFrameReader::WaitReadable() {
    for (;;) {
        if (Interrupted() || InterruptSignals::Received() != 0)
            return false;
        pollfd p = {m_fd, POLLIN, 0};
        const int n = poll(&p, 1, 100);
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            Fail(std::strerror(errno));
    }
}

bool RawFrameReader::ReadExactly(iovec* vectors, int count) {
    size_t total = 0;
    for (int i = 0; i < count; ++i)
        total += vectors[i].iov_len;
    size_t done = 0;
    while (count > 0) {
        if (m_pollable && !WaitReadable())
            return false;
        const ssize_t n = readv(m_fd, vectors, std::min(count, IOV_MAX));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(std::strerror(errno));
        }
        if (n == 0) {
            if (done == 0)
                return false;
            Fail("it ends " + std::to_string(done) + " bytes into a frame of " +
                 std::to_string(total) + " (is --size right?)");
        }
        done += size_t(n);
        StepPast(vectors, count, size_t(n));
    }
    return true;
}

bool RawFrameReader::ReadFrame(uint8_t* rows, int64_t& start, int64_t& stop) {
    if (Interrupted())
        return false;
    if (m_range.frames && m_delivered >= *m_range.frames)
        return false;
    const int64_t index = m_skipped + m_delivered;
    start = FrameTime(index) - SegmentStart();
    if (m_range.durationMs && start >= *m_range.durationMs * 10'000)
        return false;
    // The file's first row is the picture's top row, which goes last in the bottom-up buffer.
    const size_t rowBytes = size_t(m_format.width) * 3;
    uint8_t* top = m_format.TopRow(rows);
    for (int y = 0; y < m_format.height; ++y)
        m_vectors[size_t(y)] = {top + ptrdiff_t(y) * m_format.DownStep(), rowBytes};
    if (!ReadExactly(m_vectors.data(), int(m_vectors.size())))
        return false;
    stop = FrameTime(index + 1) - SegmentStart();
    ++m_delivered;
    return true;
}

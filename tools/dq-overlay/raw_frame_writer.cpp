#include "raw_frame_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "blocking_call.h"
#include "interrupt_signals.h"
#include "io_vectors.h"

RawFrameWriter::RawFrameWriter(const std::string& path, const FrameFormat& format)
    : m_file(path), m_format(format) {
    if (m_file.IsStandardOutput()) {
        m_fd = STDOUT_FILENO;
    } else {
        // A FIFO's open waits for its reader.
        BlockingCall call;
        do
            m_fd = open(m_file.WritePath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        while (m_fd < 0 && errno == EINTR && InterruptSignals::Received() == 0);
        if (m_fd < 0)
            m_file.Fail(std::strerror(errno));
    }
    m_vectors.resize(size_t(format.height));
}

RawFrameWriter::~RawFrameWriter() {
    Close();
}

void RawFrameWriter::Close() {
    if (m_fd >= 0 && m_fd != STDOUT_FILENO)
        close(m_fd);
    m_fd = -1;
}

void RawFrameWriter::WriteFrame(const uint8_t* rows, int64_t, int64_t) {
    // Picture rows top first: from the buffer's last row upwards, without copying them.
    const size_t rowBytes = size_t(m_format.width) * 3;
    const uint8_t* top = m_format.TopRow(rows);
    for (int y = 0; y < m_format.height; ++y)
        m_vectors[size_t(y)] = {const_cast<uint8_t*>(top + ptrdiff_t(y) * m_format.DownStep()),
                                rowBytes};
    iovec* v = m_vectors.data();
    int count = int(m_vectors.size());
    // A pipe nobody reads holds the write until the run is interrupted.
    BlockingCall call;
    while (count > 0) {
        const ssize_t n = writev(m_fd, v, std::min(count, IOV_MAX));
        if (n < 0) {
            if (errno == EINTR && InterruptSignals::Received() == 0)
                continue;
            m_file.Fail(std::strerror(errno));
        }
        StepPast(v, count, size_t(n));
    }
}

void RawFrameWriter::Finish() {
    if (m_fd >= 0 && m_fd != STDOUT_FILENO) {
        const int fd = m_fd;
        m_fd = -1;
        if (close(fd) != 0)
            m_file.Fail(std::strerror(errno));
    }
}

void RawFrameWriter::Discard() {
    Close();
    m_file.Discard();
}

std::string RawFrameWriter::Describe() const {
    return (m_file.IsStandardOutput() ? std::string("standard output")
                                      : "'" + m_file.Path() + "'") +
           ": raw bgr24 " + std::to_string(m_format.width) + "x" + std::to_string(m_format.height);
}

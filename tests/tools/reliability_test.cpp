// dq-overlay against unlucky inputs and impatient users: frames of hundreds of megabytes, inputs
// and outputs that stall, signals at bad moments, a run killed outright, damaged and cut files.
// Hangs are bounded by the tests' own patience, never measured.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "clip_writer.h"
#include "media_probe.h"
#include "tool_process.h"
#include "tool_test_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kPatience = std::chrono::seconds(60);

class Reliability : public ToolTestFolder {
protected:
    void TearDown() override {
        for (int fd : m_held)
            close(fd);
        ToolTestFolder::TearDown();
    }

    // A FIFO in the test folder.
    std::string Fifo(const std::string& name) {
        EXPECT_EQ(mkfifo(Path(name).c_str(), 0600), 0);
        return Path(name);
    }
    // Holds a FIFO open for writing (and reading, so the open does not wait) until the test ends.
    int HoldOpen(const std::string& path) {
        const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        m_held.push_back(fd);
        return fd;
    }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
    // 180 frames of 96x64 at 30 fps, in an MKV that dq-overlay itself wrote.
    void WriteMkvWithTheTool(const std::string& name) {
        std::vector<uint8_t> raw;
        for (int f = 0; f < 180; ++f)
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 96; ++x)
                    for (int c = 0; c < 3; ++c)
                        raw.push_back(uint8_t(c == 0 ? x * 7 + f * 3 : c == 1 ? y * 5 + f : x + y));
        Write("frames.bgr", raw);
        const ToolResult r =
            RunTool({"--size", "96x64", "--rate", "30", Path("frames.bgr"), Path(name)});
        ASSERT_EQ(r.exitCode, 0) << r.stderrText;
        fs::remove(Path("frames.bgr"));
    }

    std::vector<int> m_held;
};

// What the tool said of a damaged input: "'in': L of T frames could not be decoded ...".
struct Warning {
    int lost = 0, total = 0, missing = 0, written = -1;
    bool cut = false;
};

Warning ParseWarning(const std::string& text) {
    Warning w;
    std::smatch m;
    if (std::regex_search(text, m, std::regex(R"((\d+) of (\d+) frames could not be decoded)"))) {
        w.lost = std::stoi(m[1]);
        w.total = std::stoi(m[2]);
    }
    if (std::regex_search(
            text, m, std::regex(R"(is cut short at \d:\d\d\.\d\d\d: (\d+) of (\d+) frames)"))) {
        w.cut = true;
        w.missing = std::stoi(m[1]);
        w.total = std::stoi(m[2]);
    } else if (std::regex_search(text, m,
                                 std::regex(R"(cut short at \d:\d\d\.\d\d\d \((\d+) frames)"))) {
        w.cut = true;
        w.missing = std::stoi(m[1]);
    }
    if (std::regex_search(text, m, std::regex(R"(; (\d+) written\n$)")))
        w.written = std::stoi(m[1]);
    return w;
}

} // namespace

// 16384x7282 bgr24 is 358 MB a frame: six buffers pass 2 GB together. Two frames through the
// filter with a cue on them; the input is sparse and the output goes nowhere.
TEST_F(Reliability, FramesOfHundredsOfMegabytesGoThroughTheFilter) {
    const int64_t frame = int64_t(16384) * 3 * 7282;
    { std::ofstream(Path("huge.bgr")); }
    fs::resize_file(Path("huge.bgr"), uintmax_t(2 * frame));
    std::ofstream(Path("cue.txt")) << "0 10 | A cue on a huge frame\n";
    const ToolResult r = RunTool(
        {"--size", "16384x7282", "--script", Path("cue.txt"), Path("huge.bgr"), "/dev/null"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.stderrText, "");
}

// A container that stops coming in the middle (a pipe whose writer stalls): the first signal
// ends the run, with its code and message, and no output is left.
TEST_F(Reliability, ASignalEndsARunWhoseInputStalls) {
    WriteMkvWithTheTool("clip.mkv");
    const std::vector<uint8_t> clip = ReadFile("clip.mkv");
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const std::string fifo = Fifo("stall-" + std::to_string(signal));
        const int fd = HoldOpen(fifo);
        // The header and the first frames, then nothing.
        ASSERT_EQ(write(fd, clip.data(), clip.size() / 3), ssize_t(clip.size() / 3));
        const auto before = Files();
        ToolProcess tool({"--verbose", fifo, Path("out.mp4")});
        ASSERT_TRUE(tool.WaitForStderr("graph:")) << tool.Stderr();
        tool.Signal(signal);
        EXPECT_EQ(tool.WaitAtMost(kPatience), 128 + signal);
        EXPECT_NE(
            tool.Stderr().find("dq-overlay: interrupted; '" + Path("out.mp4") + "' not written\n"),
            std::string::npos)
            << tool.Stderr();
        EXPECT_EQ(Files(), before);
    }
}

// Opening a FIFO waits for its other end: a signal ends the wait, for a container input, a raw
// input and a raw output.
TEST_F(Reliability, ASignalEndsAWaitForTheOtherEndOfAFifo) {
    const std::string fifo = Fifo("lonely");
    std::vector<uint8_t> frame(16 * 16 * 3, 7);
    Write("frame.bgr", frame);
    struct Case {
        std::vector<std::string> args;
        int signal;
        std::string output;
    };
    const std::vector<Case> cases = {
        {{fifo, Path("out.mkv")}, SIGINT, Path("out.mkv")},
        {{"--size", "16x16", fifo, Path("out.bgr")}, SIGINT, Path("out.bgr")},
        {{"--size", "16x16", Path("frame.bgr"), fifo}, SIGHUP, fifo},
    };
    const auto before = Files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        ToolProcess tool(c.args);
        ASSERT_TRUE(tool.WaitForBlockingCall(SYS_openat)) << tool.Stderr();
        tool.Signal(c.signal);
        EXPECT_EQ(tool.WaitAtMost(kPatience), 128 + c.signal);
        EXPECT_EQ(tool.Stderr(), "dq-overlay: interrupted; '" + c.output + "' not written\n");
        EXPECT_EQ(Files(), before);
    }
}

// A run killed outright leaves its temporary file; the next run writing the same output removes
// it, and leaves those of live processes and of other outputs alone.
TEST_F(Reliability, TheNextRunRemovesTheTemporaryFileOfAKilledOne) {
    WriteMkvWithTheTool("clip.mkv");
    const std::vector<uint8_t> clip = ReadFile("clip.mkv");
    const std::string fifo = Fifo("stall");
    const int fd = HoldOpen(fifo);
    ASSERT_EQ(write(fd, clip.data(), clip.size() / 3), ssize_t(clip.size() / 3));
    ToolProcess killed({"--verbose", fifo, Path("out.mkv")});
    ASSERT_TRUE(killed.WaitForStderr("graph:")) << killed.Stderr();
    const std::string left =
        "." + std::string("out.mkv.") + std::to_string(killed.Pid()) + ".partial";
    killed.Signal(SIGKILL);
    EXPECT_EQ(killed.Wait(), 128 + SIGKILL);
    ASSERT_TRUE(Files().count(left));

    const std::string live = ".out.mkv." + std::to_string(getpid()) + ".partial";
    const std::string other = ".other.mkv." + std::to_string(killed.Pid()) + ".partial";
    Write(live, {1});
    Write(other, {1});
    const ToolResult r = RunTool({Path("clip.mkv"), Path("out.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    const auto after = Files();
    EXPECT_FALSE(after.count(left));
    EXPECT_TRUE(after.count(live));
    EXPECT_TRUE(after.count(other));
    EXPECT_TRUE(after.count("out.mkv"));
}

// An MKV with its middle overwritten: the run goes on and says what it lost, in one line, even
// without --verbose; --strict makes it a failure.
TEST_F(Reliability, ADamagedMiddleIsReportedAndStrictRefusesIt) {
    WriteMkvWithTheTool("clip.mkv");
    std::vector<uint8_t> bytes = ReadFile("clip.mkv");
    for (size_t i = bytes.size() * 2 / 5; i < bytes.size() * 3 / 5; ++i)
        bytes[i] = uint8_t(i * 37);
    Write("damaged.mkv", bytes);

    const ToolResult r = RunTool({Path("damaged.mkv"), Path("out.bgr")});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    const std::string prefix = "dq-overlay: warning: '" + Path("damaged.mkv") + "': ";
    ASSERT_EQ(r.stderrText.compare(0, prefix.size(), prefix), 0) << r.stderrText;
    EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    EXPECT_TRUE(std::regex_search(r.stderrText, std::regex(R"(\(first at 0:0[1-5]\.\d\d\d\))")))
        << r.stderrText;
    const Warning w = ParseWarning(r.stderrText);
    EXPECT_EQ(w.total, 180) << r.stderrText;
    EXPECT_GT(w.lost, 0) << r.stderrText;
    EXPECT_EQ(w.lost + w.missing + w.written, 180) << r.stderrText;
    EXPECT_EQ(int64_t(ReadFile("out.bgr").size()), int64_t(w.written) * 96 * 64 * 3);

    fs::remove(Path("out.bgr"));
    const auto before = Files();
    const ToolResult strict = RunTool({"--strict", Path("damaged.mkv"), Path("out.mkv")});
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_TRUE(
        std::regex_match(strict.stderrText, std::regex("dq-overlay: '" + Path("damaged.mkv") +
                                                       "': .*; nothing written \\(--strict\\)\n")))
        << strict.stderrText;
    EXPECT_EQ(Files(), before);

    // The intact file says nothing, strict or not.
    const ToolResult intact = RunTool({"--strict", Path("clip.mkv"), Path("out.bgr")});
    EXPECT_EQ(intact.exitCode, 0);
    EXPECT_EQ(intact.stderrText, "");
}

// An MP4 with its index first, cut at half its bytes: the frames up to the cut are written and
// the rest is said to be missing.
TEST_F(Reliability, AnInputCutAtHalfIsReportedAndStrictRefusesIt) {
    ClipSpec spec;
    spec.width = 96;
    spec.height = 64;
    spec.timeBase = {1, 30};
    spec.frameRate = {30, 1};
    spec.pts = ClipWriter::ConstantRate(120);
    spec.fastStart = true;
    spec.paint = [](int frame, uint8_t* bgr, int stride) {
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96 * 3; ++x)
                bgr[y * stride + x] = uint8_t(x * 3 + y * 5 + frame * 7);
    };
    ClipWriter::Write(Path("whole.mp4"), spec);
    std::vector<uint8_t> bytes = ReadFile("whole.mp4");
    bytes.resize(bytes.size() / 2);
    Write("cut.mp4", bytes);

    const ToolResult r = RunTool({"--quiet", Path("cut.mp4"), Path("out.bgr")});
    ASSERT_EQ(r.exitCode, 0) << r.stderrText;
    EXPECT_EQ(r.stderrText.rfind("dq-overlay: warning: '" + Path("cut.mp4") + "'", 0), 0u)
        << r.stderrText;
    const Warning w = ParseWarning(r.stderrText);
    EXPECT_TRUE(w.cut) << r.stderrText;
    EXPECT_EQ(w.total, 120) << r.stderrText;
    EXPECT_GT(w.missing, 30) << r.stderrText;
    EXPECT_EQ(w.lost + w.missing + w.written, 120) << r.stderrText;
    EXPECT_EQ(int64_t(ReadFile("out.bgr").size()), int64_t(w.written) * 96 * 64 * 3);

    fs::remove(Path("out.bgr"));
    const auto before = Files();
    const ToolResult strict = RunTool({"--strict", Path("cut.mp4"), Path("out.mp4")});
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_NE(strict.stderrText.find("is cut short at"), std::string::npos) << strict.stderrText;
    EXPECT_NE(strict.stderrText.find("nothing written (--strict)"), std::string::npos);
    EXPECT_EQ(Files(), before);
}

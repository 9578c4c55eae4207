// Paths and files a hostile or unlucky user hands the filter: it answers with a result code and
// the error on the video, and never blocks, crashes or shows a half-written script.
#include "filter_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/files/file_name.h"

using namespace std::chrono_literals;

namespace {

const char* kGreen =
    "0 100 align=top-left margin=0 box=#FF00FF00 color=#FF00FF00 outline=0 size=12 | A\n";
const char* kBlue =
    "0 100 align=top-left margin=0 box=#FF0000FF color=#FF0000FF outline=0 size=12 | B\n";

struct BadInput : FilterFixture {
    void SetUp() override {
        FilterFixture::SetUp();
        SetInputType(kWidth, kHeight);
    }
    HRESULT PutWide(std::u16string path) {
        return settings->put_FileName(reinterpret_cast<WCHAR*>(path.data()));
    }
    // Red error text at the top of a frame.
    bool ShowsError() {
        TestSample frame = Frame(1000, 0x00);
        object->Transform(&frame);
        return ShowsErrorText(frame);
    }
};

} // namespace

TEST_F(BadInput, AnUnpairedSurrogateInAPathIsAnErrorOnTheVideoNotACrash) {
    const std::u16string folder = dir.u16string();
    for (const std::u16string& path :
         {folder + u"/a" + char16_t(0xD800) + u".txt", folder + u"/" + char16_t(0xDFFF),
          std::u16string(1, char16_t(0xD800)), folder + u"/x" + char16_t(0xDBFF) + u"/s.txt"}) {
        EXPECT_TRUE(FAILED(PutWide(path)));
        EXPECT_TRUE(ShowsError());
        EXPECT_TRUE(FAILED(settings->reload_File())); // the stored path, again
        EXPECT_EQ(settings->put_ChangeImmediate(true), S_OK);
        EXPECT_EQ(settings->put_ChangeImmediate(false), S_OK);
    }
    // The filter still works afterwards.
    ASSERT_EQ(PutFileName(WriteScript("good.txt", kGreen)), S_OK);
    EXPECT_EQ(Corner(), 0x00FF00u);
}

TEST_F(BadInput, AStoredUnpairedSurrogateReloadsOnTheWatchersThread) {
    // The name as the file system will spell it: the surrogate becomes U+FFFD.
    const std::u16string wide = dir.u16string() + u"/s" + char16_t(0xD800) + u".txt";
    settings->put_ChangeImmediate(true);
    EXPECT_EQ(PutWide(wide), E_FAIL); // nothing there yet, but the folder is watched
    WriteScript("s\xEF\xBF\xBD.txt", kGreen);
    EXPECT_TRUE(Shows(0x00FF00u));
}

TEST_F(BadInput, AFifoIsRefusedAtOnceWithoutBlocking) {
    const auto fifo = dir / "s.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever comes: a load that opened it blocking would hang until the test times out.
    EXPECT_EQ(PutFileName(fifo), E_FAIL);
    EXPECT_TRUE(ShowsError());
    EXPECT_EQ(settings->reload_File(), E_FAIL);
}

TEST_F(BadInput, AFileNameThatIsNotUtf8Loads) {
    const std::filesystem::path name = dir / std::string("caf\xE9.txt");
    std::ofstream(name, std::ios::binary) << kGreen;
    const dq::files::WideString wide = dq::files::WideFromPath(name);
    EXPECT_EQ(dq::files::PathFromWide(wide.c_str()), name);
    EXPECT_EQ(PutWide(std::u16string(wide.begin(), wide.end())), S_OK);
    EXPECT_EQ(Corner(), 0x00FF00u);
    WCHAR stored[DQ_MAX_PATH];
    settings->get_FileName(stored);
    EXPECT_EQ(dq::files::PathFromWide(stored), name);
}

// An editor (or a script generator) rewriting the file in place, not by rename, many times a
// second while frames are drawn: every frame shows one whole script or the other, never the
// empty overlay of a file caught between truncation and writing.
TEST_F(BadInput, AStormOfInPlaceRewritesNeverShowsAHalfWrittenScript) {
    const auto script = WriteScript("storm.txt", kGreen);
    settings->put_ChangeImmediate(true);
    ASSERT_EQ(PutFileName(script), S_OK);
    std::atomic<bool> stop{false};
    // A rewrite the machine stalled for longer than the quiet period left the file empty that
    // long: any reader may then take it for the whole, and the run proves nothing.
    std::atomic<bool> stalled{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            const auto began = std::chrono::steady_clock::now();
            const int fd = open(script.c_str(), O_WRONLY | O_TRUNC);
            if (fd < 0)
                continue;
            // Truncated, then written in two pieces: the moments a reader must not take for
            // the whole file.
            const std::string text = i % 2 ? kGreen : kBlue;
            const size_t half = text.size() / 2;
            EXPECT_EQ(write(fd, text.data(), half), ssize_t(half));
            EXPECT_EQ(write(fd, text.data() + half, text.size() - half),
                      ssize_t(text.size() - half));
            close(fd);
            if (std::chrono::steady_clock::now() - began > 40ms)
                stalled = true;
            // Pauses long and short, so that the watcher also finds quiet moments.
            std::this_thread::sleep_for(i % 8 == 0 ? 60ms : 2ms);
        }
    });
    int bad = 0;
    for (int i = 0; i < 1500; ++i) {
        const uint32_t corner = Corner();
        bad += corner != 0x00FF00u && corner != 0x0000FFu;
        std::this_thread::sleep_for(1ms);
    }
    stop = true;
    writer.join();
    if (!stalled) {
        EXPECT_EQ(bad, 0);
    }
}

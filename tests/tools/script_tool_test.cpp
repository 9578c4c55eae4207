#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "script_tool.h"

namespace fs = std::filesystem;

namespace {

class ScriptTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("dq-script-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return (m_dir / name).string();
    }

    struct Run {
        int code;
        std::string out, err;
    };
    Run Tool(const std::vector<std::string>& args) const {
        std::ostringstream out, err;
        const int code = RunScriptTool(args, out, err);
        return {code, out.str(), err.str()};
    }

private:
    fs::path m_dir;
};

const std::string kSubRip = "1\n00:00:01,000 --> 00:00:02,500\n<i>Hello</i> &amp;\nworld\n\n"
                            "2\n00:00:04,000 --> 00:00:03,000\nreversed\n\n"
                            "3\n00:00:05,000 --> 00:00:06,000\n{\\an8}\"top\" C:\\dir\n";

} // namespace

TEST_F(ScriptTool, CheckExitsByWhatTheLoadSaid) {
    const Run clean = Tool({"check", Write("ok.txt", "0 1 | fine\n")});
    EXPECT_EQ(clean.code, kScriptClean);
    EXPECT_EQ(clean.out, "");

    const Run warned = Tool({"check", Write("talk.srt", kSubRip)});
    EXPECT_EQ(warned.code, kScriptWarnings);
    EXPECT_EQ(warned.out, "talk.srt:7: cue skipped: end time 00:00:03.000 is before start time "
                          "00:00:04.000\n");

    const Run broken = Tool({"check", Write("bad.txt", "0 1 | fine\n0 1 colour=red | x\n")});
    EXPECT_EQ(broken.code, kScriptFailed);
    EXPECT_EQ(broken.out, "bad.txt:2: unknown attribute \"colour\"\n");

    // The frame size counts for the native format's size limits.
    const std::string big = Write("big.txt", "@resolution 100x100\n0 1 size=100 | x\n");
    EXPECT_EQ(Tool({"check", big, "--size", "200x200"}).code, kScriptClean);
    EXPECT_EQ(Tool({"check", big, "--size", "2000x2000"}).code, kScriptFailed);
}

TEST_F(ScriptTool, CuesListsWhatLoaded) {
    const Run listed = Tool({"cues", Write("talk.srt", kSubRip), "--size", "640x360"});
    EXPECT_EQ(listed.code, kScriptClean);
    EXPECT_EQ(listed.out, "0:00:01.000  0:00:02.500  0  bottom  Hello &\\nworld\n"
                          "0:00:05.000  0:00:06.000  0  top  \"top\" C:\\\\dir\n");
    EXPECT_EQ(listed.err, "talk.srt:7: cue skipped: end time 00:00:03.000 is before start time "
                          "00:00:04.000\n");

    const Run json = Tool({"cues", Write("talk.srt", kSubRip), "--json"});
    EXPECT_EQ(json.code, kScriptClean);
    EXPECT_EQ(json.out,
              "{\"format\":\"srt\",\"cues\":["
              "{\"start_ms\":1000,\"end_ms\":2500,\"text\":\"Hello &\\nworld\"},"
              "{\"start_ms\":5000,\"end_ms\":6000,\"text\":\"\\\"top\\\" C:\\\\dir\"}],"
              "\"warnings\":[{\"line\":7,\"message\":\"cue skipped: end time 00:00:03.000 is "
              "before start time 00:00:04.000\"}]}\n");
    EXPECT_EQ(json.err, "");

    EXPECT_EQ(Tool({"cues", Write("n.txt", "1 2 layer=3 align=right | a\\tb\n"), "--json"}).out,
              "{\"format\":\"quorent\",\"cues\":[{\"start_ms\":1000,\"end_ms\":2000,\"text\":"
              "\"a\\\\tb\"}],\"warnings\":[]}\n");
    EXPECT_EQ(Tool({"cues", Write("n.txt", "1 2 layer=3 align=right | x\n")}).out,
              "0:00:01.000  0:00:02.000  3  right  x\n");
    EXPECT_NE(Tool({"cues", Write("v.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000\nx\n"), "--json"})
                  .out.find("\"format\":\"vtt\""),
              std::string::npos);

    const Run failed = Tool({"cues", (fs::temp_directory_path() / "dq-none.srt").string()});
    EXPECT_EQ(failed.code, kScriptFailed);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err, "cannot open \"dq-none.srt\": No such file or directory\n");
}

TEST_F(ScriptTool, WrongCommandLines) {
    const std::string file = Write("ok.txt", "0 1 | fine\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"list", file},
                                                 {"check"},
                                                 {"check", file, "--size"},
                                                 {"check", file, "--size", "0x5"},
                                                 {"check", file, "--json"},
                                                 {"cues", file, "extra"},
                                                 {"cues", file, "--bogus"}}) {
        const Run r = Tool(args);
        EXPECT_EQ(r.code, kScriptUsage) << ::testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("dq-script: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(Tool({"--help"}).code, kScriptClean);
}

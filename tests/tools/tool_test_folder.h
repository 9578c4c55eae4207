// What the tool's end-to-end tests share: a folder of the test's own under /tmp, removed with all
// it holds when the test ends, and the file helpers used in it. The clip writers' encoders are
// kept quiet.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

class ToolTestFolder : public testing::Test {
protected:
    void SetUp() override {
        av_log_set_level(AV_LOG_ERROR);
        char name[] = "/tmp/dq-tool-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_dir = name;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::vector<uint8_t> ReadFile(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    // The folder's files, to show that a failed run left nothing behind.
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::filesystem::path m_dir;
};

// Helpers for the drawing library's tests: scripts in temporary files, frames drawn through
// DrawQuorbit, and the pixels they end up with.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "drawlib/draw_quorbit.h"
#include "platform/drawing/drawing.h"

namespace dqtest {

// A directory of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("dqdrawlib-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                  "-" + (info ? info->name() : "x"));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Path() const { return m_path; }

    std::filesystem::path Write(const std::string& name, std::string_view bytes) const {
        const auto path = m_path / name;
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        return path;
    }

private:
    std::filesystem::path m_path;
};

// Straight (not premultiplied) pixels of a drawn frame.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint8_t> bgra;

    uint32_t At(int x, int y) const { // 0xAARRGGBB
        const uint8_t* p = &bgra[(size_t(y) * width + x) * 4];
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    uint8_t Alpha(int x, int y) const { return bgra[(size_t(y) * width + x) * 4 + 3]; }
    bool Empty() const {
        for (size_t i = 3; i < bgra.size(); i += 4)
            if (bgra[i] != 0)
                return false;
        return true;
    }
    // The smallest rectangle holding every pixel that is not fully transparent.
    dq::gfx::Rect Bounds() const {
        int left = width, top = height, right = -1, bottom = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (Alpha(x, y) != 0) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        if (right < 0)
            return {};
        return {left, top, right - left + 1, bottom - top + 1};
    }
};

inline Pixels Read(dq::gfx::Bitmap& bitmap) {
    Pixels pixels;
    pixels.width = bitmap.Width();
    pixels.height = bitmap.Height();
    dq::gfx::BitmapData data =
        bitmap.LockBits({0, 0, pixels.width, pixels.height}, dq::gfx::ImageLockMode::ReadOnly,
                        dq::gfx::PixelFormat::Format32bppArgb);
    pixels.bgra.resize(size_t(pixels.width) * pixels.height * 4);
    for (int y = 0; y < pixels.height; ++y)
        std::memcpy(&pixels.bgra[size_t(y) * pixels.width * 4],
                    data.scan0 + size_t(y) * data.stride, size_t(pixels.width) * 4);
    bitmap.UnlockBits(data);
    return pixels;
}

// What draw paints at timeMs on a fresh transparent width x height surface.
inline Pixels Draw(DrawQuorbit& draw, int width, int height, int64_t timeMs) {
    auto surface = dq::gfx::Bitmap::CreateArgb(width, height);
    {
        dq::gfx::Graphics g(*surface);
        draw.drawENT(g, timeMs);
    }
    return Read(*surface);
}

// A DrawQuorbit for a width x height frame with the script text loaded from a file.
inline std::unique_ptr<DrawQuorbit> Loaded(const TempDir& dir, std::string_view script,
                                           int width = 640, int height = 360) {
    auto draw = std::make_unique<DrawQuorbit>(1, 1);
    draw->width(width);
    draw->height(height);
    draw->load_data(dir.Write("script.txt", script));
    return draw;
}

// The message load_data raises for script (as the file name), or "" when it loads.
inline std::string LoadError(const TempDir& dir, const std::string& name, std::string_view script,
                             int height = 1080) {
    DrawQuorbit draw(1, 1);
    draw.width(height * 16 / 9);
    draw.height(height);
    try {
        draw.load_data(dir.Write(name, script));
    } catch (const ScriptError& e) {
        return e.what();
    }
    return "";
}

} // namespace dqtest

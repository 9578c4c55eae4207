// A filter created through its creation function, with helpers for scripts and frames.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "baseclasses/streams.h"
#include "filter/direct_quorbit.h"
#include "test_sample.h"

struct FilterFixture : ::testing::Test {
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    static constexpr int kStride = kWidth * 3;

    IUnknown* unknown = nullptr;
    IBaseFilter* filter = nullptr;
    IDirectQuorbit* settings = nullptr;
    CDirectQuorbit* object = nullptr;
    std::filesystem::path dir;

    void SetUp() override {
        HRESULT hr = S_OK;
        object = static_cast<CDirectQuorbit*>(CDirectQuorbit::CreateInstance(nullptr, &hr));
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(hr, S_OK);
        object->NonDelegatingAddRef();
        ASSERT_EQ(object->NonDelegatingQueryInterface(IID_IBaseFilter, (void**)&filter), S_OK);
        ASSERT_EQ(object->NonDelegatingQueryInterface(IID_IDirectQuorbit, (void**)&settings), S_OK);
        object->NonDelegatingRelease();
        dir = std::filesystem::temp_directory_path() /
              ("dq-filter-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (settings)
            settings->Release();
        if (filter) {
            EXPECT_EQ(filter->Release(), 0u);
        }
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path WriteScript(const std::string& name, const std::string& text) {
        std::filesystem::path p = dir / name;
        std::ofstream(p, std::ios::binary | std::ios::trunc) << text;
        return p;
    }
    HRESULT PutFileName(const std::filesystem::path& p) {
        std::u16string wide = p.u16string();
        return settings->put_FileName(reinterpret_cast<WCHAR*>(wide.data()));
    }
    // Sets the input type as a connection would (geometry, drawing size, reload).
    void SetInputType(int width, int height) {
        VIDEOINFOHEADER vih{};
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = width;
        vih.bmiHeader.biHeight = height;
        vih.bmiHeader.biBitCount = 24;
        vih.bmiHeader.biCompression = BI_RGB;
        CMediaType mt;
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = MEDIASUBTYPE_RGB24;
        mt.formattype = FORMAT_VideoInfo;
        mt.cbFormat = sizeof vih;
        mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof vih));
        std::memcpy(mt.pbFormat, &vih, sizeof vih);
        ASSERT_EQ(object->CheckInputType(&mt), S_OK);
        ASSERT_EQ(object->SetMediaType(PINDIR_INPUT, &mt), S_OK);
    }
    // A frame of kWidth x kHeight filled with one grey level, at a time in milliseconds.
    TestSample Frame(int64_t ms, BYTE grey = 0x40) {
        TestSample s(kStride * kHeight, kStride * kHeight);
        std::fill(s.bytes.begin(), s.bytes.end(), grey);
        s.start = ms * 10000;
        s.stop = s.start + 166666;
        return s;
    }
    // The pixel at (x, y) of the displayed picture of a bottom-up frame, as 0xRRGGBB.
    static uint32_t Pixel(const TestSample& s, int x, int y) {
        const BYTE* p = s.bytes.data() + size_t(kHeight - 1 - y) * kStride + size_t(x) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    // Whether a frame shows red error text across the top of the picture.
    static bool ShowsErrorText(const TestSample& s) {
        int red = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t p = Pixel(s, x, y);
                red += (p >> 16) > 0x80 && (p & 0xFFFF) < 0x4040;
            }
        return red > 10;
    }
    // The colour at the picture's top-left corner of a frame at 1 s.
    uint32_t Corner() {
        TestSample frame = Frame(1000);
        object->Transform(&frame);
        return Pixel(frame, 1, 1);
    }
    // Polls until the overlay shows colour (the bound only keeps a broken build from hanging).
    bool Shows(uint32_t colour) {
        for (int i = 0; i < 500; ++i) {
            if (Corner() == colour)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

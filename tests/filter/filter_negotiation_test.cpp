#include "filter_fixture.h"

namespace {

struct Negotiation : FilterFixture {
    VIDEOINFOHEADER vih{};
    CMediaType mt;
    void SetUp() override {
        FilterFixture::SetUp();
        Reset();
    }
    // The accepted type: 640 x 480 RGB24.
    void Reset() {
        vih = {};
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = 640;
        vih.bmiHeader.biHeight = 480;
        vih.bmiHeader.biBitCount = 24;
        vih.bmiHeader.biCompression = BI_RGB;
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = MEDIASUBTYPE_RGB24;
        mt.formattype = FORMAT_VideoInfo;
        Store();
    }
    void Store() {
        mt.ReleaseFormat();
        mt.cbFormat = sizeof vih;
        mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof vih));
        std::memcpy(mt.pbFormat, &vih, sizeof vih);
    }
    HRESULT Check() {
        Store();
        return object->CheckInputType(&mt);
    }
};

} // namespace

TEST_F(Negotiation, AcceptsRgb24InAVideoInfoHeaderIncludingTopDown) {
    EXPECT_EQ(Check(), S_OK);
    vih.bmiHeader.biHeight = -480;
    EXPECT_EQ(Check(), S_OK);
    EXPECT_EQ(object->CheckInputType(nullptr), E_POINTER);
}

TEST_F(Negotiation, RefusesEverythingElse) {
    auto refused = [&](auto change) {
        Reset();
        change();
        return object->CheckInputType(&mt) == VFW_E_TYPE_NOT_ACCEPTED;
    };
    EXPECT_TRUE(refused([&] { mt.subtype = MEDIASUBTYPE_RGB32; }));
    EXPECT_TRUE(refused([&] { mt.majortype = FORMAT_None; }));
    EXPECT_TRUE(refused([&] { mt.formattype = FORMAT_None; }));
    EXPECT_TRUE(refused([&] {
        vih.bmiHeader.biBitCount = 32;
        Store();
    }));
    EXPECT_TRUE(refused([&] {
        vih.bmiHeader.biCompression = 3;
        Store();
    }));
    EXPECT_TRUE(refused([&] { mt.ReleaseFormat(); }));
    EXPECT_TRUE(refused([&] { mt.cbFormat = sizeof(VIDEOINFOHEADER) - 1; }));
    EXPECT_TRUE(refused([&] {
        vih.bmiHeader.biWidth = 0;
        Store();
    }));
    EXPECT_TRUE(refused([&] {
        vih.bmiHeader.biHeight = 0;
        Store();
    }));
    EXPECT_TRUE(refused([&] {
        vih.bmiHeader.biWidth = 1 << 20;
        vih.bmiHeader.biHeight = 1 << 20;
        Store();
    }));
}

TEST_F(Negotiation, TheOutputSideChangesNothing) {
    EXPECT_EQ(object->SetMediaType(PINDIR_OUTPUT, nullptr), S_OK);
    EXPECT_EQ(object->SetMediaType(PINDIR_INPUT, nullptr), E_POINTER);
}

TEST_F(Negotiation, ConnectingWithoutAScriptSucceeds) {
    EXPECT_EQ(object->SetMediaType(PINDIR_INPUT, &mt), S_OK);
}

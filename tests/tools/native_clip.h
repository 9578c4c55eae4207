// Clips written and read back in their own pixel format, for the tests that check what dq-overlay
// keeps exactly: pictures painted straight into their planes (no conversion on the way in), with
// a colour description, a sample aspect ratio, a rotation and, on request, a subtitle stream, a
// font attachment, chapters and a title; read back plane by plane with what the file says.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct NativeClipSpec {
    int width = 96;
    int height = 64;
    int frames = 20; // at 10 fps
    AVPixelFormat format = AV_PIX_FMT_YUV420P;
    std::string encoder = "ffv1";
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVChromaLocation chromaLocation = AVCHROMA_LOC_UNSPECIFIED;
    AVRational sampleAspect = {1, 1};
    double rotation = 0; // degrees; 0 writes no display matrix
    bool extras = false; // a French subtitle stream, a font, two chapters and a title
};

struct NativePlane {
    int lineBytes = 0, rows = 0, shiftX = 0, shiftY = 0, step = 0;
    std::vector<uint8_t> bytes;
};

struct NativePicture {
    std::vector<NativePlane> planes;
    bool operator==(const NativePicture& other) const;
};

struct NativeMedia {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0, height = 0;
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVChromaLocation chromaLocation = AVCHROMA_LOC_UNSPECIFIED;
    AVRational sampleAspect = {0, 1};
    double rotation = 0;
    std::vector<std::string> streams;  // "subtitle subrip fra 'Hello'", "attachment ttf font.ttf"
    std::vector<std::string> chapters; // their titles
    std::string title;
    std::vector<NativePicture> frames;
};

// Throws std::runtime_error when the clip cannot be written.
void WriteNativeClip(const std::string& path, const NativeClipSpec& spec);
// Fails the calling test (ADD_FAILURE) when the file cannot be read.
NativeMedia ReadNativeMedia(const std::string& path);

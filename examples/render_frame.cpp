// dq-render-frame: draws what a script shows at a time over a generated picture, the way the
// filter composites it onto a video frame, and writes the result as a PNG.
//
//   dq-render-frame SCRIPT TIME OUT.png [--size WxH] [--delay FRAMES] [--debug]
//
// TIME is in the script's own time syntax (`5`, `0:04.5`, `1:02:03.040`, `90f`).
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "drawlib/draw_quorbit.h"
#include "drawlib/script_time.h"
#include "platform/drawing/drawing.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: dq-render-frame SCRIPT TIME OUT.png [--size WxH] "
                         "[--delay FRAMES] [--debug]\n");
    return 2;
}

// A dusky diagonal gradient with a few pale discs: light and dark parts to show outlines,
// shadows and boxes against, and smooth enough to keep the PNGs small.
void PaintBackground(std::vector<uint8_t>& pixels, int width, int height, int stride) {
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels.data() + size_t(y) * stride;
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double d = 0.5 * (u + v);
            double r = 40 + 140 * d, g = 80 + 60 * (1 - v), b = 150 + 70 * (1 - d);
            const double discs[3][3] = {{0.22, 0.3, 0.12}, {0.75, 0.6, 0.18}, {0.5, 0.85, 0.1}};
            for (const auto& d : discs) {
                const double dx = (u - d[0]) * width / height, dy = v - d[1];
                if (dx * dx + dy * dy < d[2] * d[2])
                    r = 0.6 * r + 0.4 * 250, g = 0.6 * g + 0.4 * 220, b = 0.6 * b + 0.4 * 150;
            }
            row[x * 3 + 0] = uint8_t(std::clamp(b, 0.0, 255.0));
            row[x * 3 + 1] = uint8_t(std::clamp(g, 0.0, 255.0));
            row[x * 3 + 2] = uint8_t(std::clamp(r, 0.0, 255.0));
        }
    }
}

bool WritePng(const std::vector<uint8_t>& pixels, int width, int height, int stride,
              const char* path) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int outStride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = pixels.data() + size_t(y) * stride;
        auto* out = reinterpret_cast<uint32_t*>(data + size_t(y) * outStride);
        for (int x = 0; x < width; ++x)
            out[x] = 0xFF000000u | uint32_t(in[x * 3 + 2]) << 16 | uint32_t(in[x * 3 + 1]) << 8 |
                     in[x * 3];
    }
    cairo_surface_mark_dirty(surface);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        std::fprintf(stderr, "dq-render-frame: cannot write %s: %s\n", path,
                     cairo_status_to_string(status));
    return status == CAIRO_STATUS_SUCCESS;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return Usage();
    const char* script = argv[1];
    const auto time = dq::drawlib::ParseTime(argv[2]);
    const char* out = argv[3];
    int width = 640, height = 360, delay = 0;
    bool debug = false;
    for (int i = 4; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--size" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0)
                return Usage();
        } else if (arg == "--delay" && i + 1 < argc) {
            delay = std::atoi(argv[++i]);
        } else if (arg == "--debug") {
            debug = true;
        } else {
            return Usage();
        }
    }
    if (!time)
        return Usage();

    DrawQuorbit draw(1, 1);
    draw.width(width);
    draw.height(height);
    draw.timeUserFix(delay);
    draw.debug(debug);
    try {
        draw.load_data(script);
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "[Error] %s\n", e.what());
        return 1;
    }

    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(size_t(stride) * height);
    PaintBackground(pixels, width, height, stride);
    auto frame = dq::gfx::Bitmap::FromMemory24(width, height, stride, pixels.data());
    auto overlay = dq::gfx::Bitmap::CreateArgb(width, height);
    {
        dq::gfx::Graphics g(*overlay);
        draw.drawENT(g, *time);
    }
    dq::gfx::Graphics(*frame).DrawImage(*overlay, 0, 0);
    return WritePng(pixels, width, height, stride, out) ? 0 : 1;
}

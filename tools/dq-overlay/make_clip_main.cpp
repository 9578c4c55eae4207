// dq-make-clip: makes the demo's input, a short clip with moving pictures and a beep every second,
// entirely from generated frames and sound.
//
//   dq-make-clip OUT.mp4 [--size WxH] [--rate FPS] [--seconds S]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "clip_writer.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

int Usage() {
    std::fprintf(stderr, "usage: dq-make-clip OUT [--size WxH] [--rate FPS] [--seconds S]\n");
    return 2;
}

// A dusky diagonal gradient that drifts, with pale discs circling over it: light and dark areas
// for the overlay's outlines and boxes to show against.
void Paint(int frame, double rate, uint8_t* bgr, int stride, int width, int height) {
    const double t = frame / rate;
    double cx[3], cy[3];
    const double radius[3] = {0.12, 0.18, 0.09};
    for (int i = 0; i < 3; ++i) {
        cx[i] = 0.5 + 0.32 * std::cos(0.4 * t * (i + 1) + i * 2.1);
        cy[i] = 0.5 + 0.3 * std::sin(0.5 * t * (i + 1) + i * 1.3);
    }
    const double aspect = double(width) / height;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bgr + size_t(y) * stride;
        const double v = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double d = 0.5 * (u + v) + 0.1 * std::sin(0.7 * t);
            double r = 40 + 140 * d, g = 80 + 60 * (1 - v), b = 150 + 70 * (1 - d);
            for (int i = 0; i < 3; ++i) {
                const double dx = (u - cx[i]) * aspect, dy = v - cy[i];
                if (dx * dx + dy * dy < radius[i] * radius[i])
                    r = 0.6 * r + 100, g = 0.6 * g + 88, b = 0.6 * b + 60;
            }
            row[x * 3 + 0] = uint8_t(std::clamp(b, 0.0, 255.0));
            row[x * 3 + 1] = uint8_t(std::clamp(g, 0.0, 255.0));
            row[x * 3 + 2] = uint8_t(std::clamp(r, 0.0, 255.0));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-')
        return Usage();
    int width = 1280, height = 720, rate = 30;
    double seconds = 15;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 16 ||
                height < 16 || width % 2 || height % 2)
                return Usage();
        } else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc) {
            rate = std::atoi(argv[++i]);
            if (rate <= 0 || rate > 240)
                return Usage();
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
            if (seconds <= 0 || seconds > 3600)
                return Usage();
        } else {
            return Usage();
        }
    }
    av_log_set_level(AV_LOG_ERROR);
    ClipSpec spec;
    spec.width = width;
    spec.height = height;
    spec.timeBase = {1, rate};
    spec.frameRate = {rate, 1};
    spec.pts = ClipWriter::ConstantRate(int(seconds * rate));
    spec.audioEncoder = "aac";
    spec.paint = [&](int frame, uint8_t* bgr, int stride) {
        Paint(frame, rate, bgr, stride, width, height);
    };
    // A short soft beep at every whole second.
    spec.tone = [](double t) {
        const double into = t - std::floor(t);
        return into < 0.08 ? 0.25 * std::sin(2 * M_PI * 880 * t) * (1 - into / 0.08) : 0.0;
    };
    try {
        ClipWriter::Write(argv[1], spec);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dq-make-clip: cannot write %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}

#include "changed_area.h"

#include <algorithm>
#include <cstring>

ChangedArea ChangedArea::Find(const uint8_t* beforeTop, ptrdiff_t beforeStep,
                              const uint8_t* afterTop, ptrdiff_t afterStep, int width, int height,
                              int blockWidth, int blockHeight) {
    ChangedArea area;
    const int blocksAcross = (width + blockWidth - 1) / blockWidth;
    std::vector<uint8_t> marked(size_t(blocksAcross), 0);
    const size_t rowBytes = size_t(width) * 3;
    Band* open = nullptr; // the band the previous block row belongs to
    for (int top = 0; top < height; top += blockHeight) {
        const int bottom = std::min(top + blockHeight, height);
        int first = blocksAcross, last = -1;
        for (int y = top; y < bottom; ++y) {
            const uint8_t* a = beforeTop + ptrdiff_t(y) * beforeStep;
            const uint8_t* b = afterTop + ptrdiff_t(y) * afterStep;
            if (std::memcmp(a, b, rowBytes) == 0)
                continue;
            // Most of a changed row is still unchanged: find its ends, then mark in between.
            size_t lo = 0, hi = rowBytes;
            while (a[lo] == b[lo])
                ++lo;
            while (a[hi - 1] == b[hi - 1])
                --hi;
            for (size_t x = lo / 3; x * 3 < hi; ++x) {
                const size_t i = x * 3;
                if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) {
                    const int block = int(x) / blockWidth;
                    marked[size_t(block)] = 1;
                    first = std::min(first, block);
                    last = std::max(last, block);
                }
            }
        }
        if (last < 0) {
            open = nullptr;
            continue;
        }
        if (open == nullptr) {
            area.m_bands.push_back({0, top, 0, 0, {}});
            open = &area.m_bands.back();
        }
        for (int block = first; block <= last;) {
            if (!marked[size_t(block)]) {
                ++block;
                continue;
            }
            int end = block;
            while (end <= last && marked[size_t(end)])
                marked[size_t(end++)] = 0;
            const int x = block * blockWidth;
            const int right = std::min(end * blockWidth, width);
            open->runs.push_back({x, top, right - x, bottom - top});
            const int bandRight =
                open->runs.size() == 1 ? right : std::max(open->x + open->width, right);
            open->x = open->runs.size() == 1 ? x : std::min(open->x, x);
            open->width = bandRight - open->x;
            block = end;
        }
        open->height = bottom - open->y;
    }
    return area;
}

int64_t ChangedArea::Pixels() const {
    int64_t pixels = 0;
    for (const Band& band : m_bands)
        for (const Run& run : band.runs)
            pixels += int64_t(run.width) * run.height;
    return pixels;
}

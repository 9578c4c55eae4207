#include "platform/drawing/blend_rows.h"

#include <cstring>
#include <vector>

#include "platform/drawing/pixel_math.h"

namespace dq::gfx::detail {
namespace {

// Pixels are taken in chunks: a chunk whose source is wholly transparent (all words zero) is
// skipped, a wholly opaque one at full opacity is copied, and any other is blended by a loop of
// fixed length with no branches, which the compiler turns into vector code (below full opacity,
// after scaling the chunk's source into a small buffer by a loop of the same kind).
constexpr int kChunk = 16;

struct ChunkKind {
    bool transparent;
    bool opaque;
};

[[gnu::always_inline]] inline ChunkKind Classify(const uint8_t* s) {
    uint32_t any = 0;
    uint32_t all = ~0u;
    for (int i = 0; i < kChunk; ++i) {
        uint32_t p;
        std::memcpy(&p, s + 4 * i, 4);
        any |= p;
        all &= p;
    }
    return {any == 0, (all >> 24) == 0xFF};
}

template <int N>
[[gnu::always_inline]] inline void BlendToRgb24(uint8_t* __restrict d,
                                                const uint8_t* __restrict s) {
    for (int i = 0; i < N; ++i) {
        const unsigned ia = 255 - s[4 * i + 3];
        for (int c = 0; c < 3; ++c) {
            d[3 * i + c] = uint8_t(s[4 * i + c] + Div255(d[3 * i + c] * ia + 127));
        }
    }
}

template <int N>
[[gnu::always_inline]] inline void BlendToArgb(uint8_t* __restrict d, const uint8_t* __restrict s) {
    for (int i = 0; i < N; ++i) {
        const unsigned ia = 255 - s[4 * i + 3];
        for (int c = 0; c < 4; ++c) {
            d[4 * i + c] = uint8_t(s[4 * i + c] + Div255(d[4 * i + c] * ia + 127));
        }
    }
}

// s' = Mul(s, O) for every byte of N pixels.
template <int N>
[[gnu::always_inline]] inline void Scale(uint8_t* __restrict out, const uint8_t* __restrict s,
                                         unsigned o) {
    for (int i = 0; i < 4 * N; ++i) {
        out[i] = uint8_t(Mul(s[i], o));
    }
}

template <int N>
[[gnu::always_inline]] inline void CopyToRgb24(uint8_t* __restrict d, const uint8_t* __restrict s) {
    for (int i = 0; i < N; ++i) {
        d[3 * i] = s[4 * i];
        d[3 * i + 1] = s[4 * i + 1];
        d[3 * i + 2] = s[4 * i + 2];
    }
}

// Scaled: the opacity byte is below 255, so each chunk of the source is first multiplied by it.
template <bool Scaled>
[[gnu::always_inline]] inline void RowToRgb24(uint8_t* __restrict d, const uint8_t* __restrict s,
                                              int count, unsigned o) {
    alignas(64) uint8_t scaled[4 * kChunk];
    int i = 0;
    for (; i + kChunk <= count; i += kChunk, d += 3 * kChunk, s += 4 * kChunk) {
        const ChunkKind kind = Classify(s);
        if (kind.transparent) {
            continue;
        }
        if (Scaled) {
            Scale<kChunk>(scaled, s, o);
            BlendToRgb24<kChunk>(d, scaled);
        } else if (kind.opaque) {
            CopyToRgb24<kChunk>(d, s);
        } else {
            BlendToRgb24<kChunk>(d, s);
        }
    }
    for (; i < count; ++i, d += 3, s += 4) {
        Scale<1>(scaled, s, o);
        BlendToRgb24<1>(d, scaled);
    }
}

template <bool Scaled>
[[gnu::always_inline]] inline void RowToArgb(uint8_t* __restrict d, const uint8_t* __restrict s,
                                             int count, unsigned o) {
    alignas(64) uint8_t scaled[4 * kChunk];
    int i = 0;
    for (; i + kChunk <= count; i += kChunk, d += 4 * kChunk, s += 4 * kChunk) {
        const ChunkKind kind = Classify(s);
        if (kind.transparent) {
            continue;
        }
        if (Scaled) {
            Scale<kChunk>(scaled, s, o);
            BlendToArgb<kChunk>(d, scaled);
        } else if (kind.opaque) {
            std::memcpy(d, s, 4 * kChunk);
        } else {
            BlendToArgb<kChunk>(d, s);
        }
    }
    for (; i < count; ++i, d += 4, s += 4) {
        Scale<1>(scaled, s, o);
        BlendToArgb<1>(d, scaled);
    }
}

// Over pixels known to be transparent the blend is s' itself.
template <bool Scaled>
[[gnu::always_inline]] inline void
RowOntoClearArgb(uint8_t* __restrict d, const uint8_t* __restrict s, int count, unsigned o) {
    if (!Scaled) {
        std::memcpy(d, s, size_t(count) * 4);
        return;
    }
    for (int i = 0; i < 4 * count; ++i) {
        d[i] = uint8_t(Mul(s[i], o));
    }
}

#define DQ_DEFINE_BLEND_ROWS(ATTRIBUTES, SUFFIX)                                                   \
    ATTRIBUTES void ToRgb24##SUFFIX(uint8_t* d, const uint8_t* s, int count, unsigned o) {         \
        if (o == 255) {                                                                            \
            RowToRgb24<false>(d, s, count, o);                                                     \
        } else {                                                                                   \
            RowToRgb24<true>(d, s, count, o);                                                      \
        }                                                                                          \
    }                                                                                              \
    ATTRIBUTES void ToArgb##SUFFIX(uint8_t* d, const uint8_t* s, int count, unsigned o) {          \
        if (o == 255) {                                                                            \
            RowToArgb<false>(d, s, count, o);                                                      \
        } else {                                                                                   \
            RowToArgb<true>(d, s, count, o);                                                       \
        }                                                                                          \
    }                                                                                              \
    ATTRIBUTES void OntoClearArgb##SUFFIX(uint8_t* d, const uint8_t* s, int count, unsigned o) {   \
        if (o == 255) {                                                                            \
            RowOntoClearArgb<false>(d, s, count, o);                                               \
        } else {                                                                                   \
            RowOntoClearArgb<true>(d, s, count, o);                                                \
        }                                                                                          \
    }

DQ_DEFINE_BLEND_ROWS(, Portable)

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define DQ_BLEND_ROWS_X86 1
// The b, g, r rows interleave in threes, which needs byte shuffles (SSSE3) to vectorise.
DQ_DEFINE_BLEND_ROWS([[gnu::target("ssse3")]], Ssse3)
DQ_DEFINE_BLEND_ROWS([[gnu::target("avx2")]], Avx2)
#endif

#undef DQ_DEFINE_BLEND_ROWS

// Best first.
std::vector<BlendRows> Runnable() {
    std::vector<BlendRows> variants;
#ifdef DQ_BLEND_ROWS_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        variants.push_back({"avx2", ToRgb24Avx2, ToArgbAvx2, OntoClearArgbAvx2});
    }
    if (__builtin_cpu_supports("ssse3")) {
        variants.push_back({"ssse3", ToRgb24Ssse3, ToArgbSsse3, OntoClearArgbSsse3});
    }
#endif
    variants.push_back({"portable", ToRgb24Portable, ToArgbPortable, OntoClearArgbPortable});
    return variants;
}

} // namespace

const std::vector<BlendRows>& RunnableBlendRows() {
    static const std::vector<BlendRows> variants = Runnable();
    return variants;
}

const BlendRows& SelectBlendRows() {
    return RunnableBlendRows().front();
}

} // namespace dq::gfx::detail

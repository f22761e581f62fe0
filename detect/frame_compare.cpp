#include "detect/frame_compare.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <stdexcept>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SKYMRA_X86 1
#include <immintrin.h>
#else
#define SKYMRA_X86 0
#endif

namespace skymra {
namespace {

using Kernel = std::uint32_t (*)(std::int32_t*, const std::int32_t*, std::size_t, std::int32_t);

// All arithmetic in uint32_t: the difference and its magnitude wrap in two's complement, so
// the magnitude of INT32_MIN stays INT32_MIN and never reaches a threshold.
inline bool marks(std::int32_t now, std::int32_t ref, std::int32_t threshold) {
    const std::uint32_t d = static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(ref);
    const std::uint32_t sign = 0u - (d >> 31);
    const auto magnitude = static_cast<std::int32_t>((d ^ sign) - sign);
    return magnitude >= threshold;
}

// Returns the number of marked pixels (wrapping), kept branch-free so compilers vectorise it.
std::uint32_t portableKernel(std::int32_t* now, const std::int32_t* ref, std::size_t n,
                             std::int32_t threshold) {
    std::uint32_t marked = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const bool m = marks(now[i], ref[i], threshold);
        now[i] = m ? MarkColor : 0;
        marked += m ? 1u : 0u;
    }
    return marked;
}

#if SKYMRA_X86
__attribute__((target("sse2"))) std::uint32_t sse2Kernel(std::int32_t* now, const std::int32_t* ref,
                                                         std::size_t n, std::int32_t threshold) {
    const __m128i thr = _mm_set1_epi32(threshold);
    const __m128i mark = _mm_set1_epi32(MarkColor);
    __m128i unmarked = _mm_setzero_si128();  // each lane counts down by one per unmarked pixel
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(now + i)),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(ref + i)));
        const __m128i s = _mm_srai_epi32(d, 31);
        const __m128i a = _mm_sub_epi32(_mm_xor_si128(d, s), s);
        const __m128i below = _mm_cmpgt_epi32(thr, a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(now + i), _mm_andnot_si128(below, mark));
        unmarked = _mm_add_epi32(unmarked, below);
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), unmarked);
    const std::uint32_t notMarked = 0u - (lanes[0] + lanes[1] + lanes[2] + lanes[3]);
    return static_cast<std::uint32_t>(i) - notMarked +
           portableKernel(now + i, ref + i, n - i, threshold);
}

__attribute__((target("avx2"))) std::uint32_t avx2Kernel(std::int32_t* now, const std::int32_t* ref,
                                                         std::size_t n, std::int32_t threshold) {
    const __m256i thr = _mm256_set1_epi32(threshold);
    const __m256i mark = _mm256_set1_epi32(MarkColor);
    __m256i unmarked = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i d =
            _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(now + i)),
                             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ref + i)));
        const __m256i below = _mm256_cmpgt_epi32(thr, _mm256_abs_epi32(d));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(now + i), _mm256_andnot_si256(below, mark));
        unmarked = _mm256_add_epi32(unmarked, below);
    }
    alignas(32) std::uint32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), unmarked);
    std::uint32_t notMarked = 0;
    for (const std::uint32_t lane : lanes) notMarked -= lane;
    return static_cast<std::uint32_t>(i) - notMarked +
           portableKernel(now + i, ref + i, n - i, threshold);
}

__attribute__((target("avx512f"))) std::uint32_t avx512Kernel(std::int32_t* now,
                                                              const std::int32_t* ref,
                                                              std::size_t n,
                                                              std::int32_t threshold) {
    const __m512i thr = _mm512_set1_epi32(threshold);
    const __m512i mark = _mm512_set1_epi32(MarkColor);
    std::uint32_t marked = 0;
    std::size_t i = 0;
    // Two vectors a step keep both load ports busy.
    for (; i + 32 <= n; i += 32) {
        const __m512i d0 =
            _mm512_sub_epi32(_mm512_loadu_si512(now + i), _mm512_loadu_si512(ref + i));
        const __m512i d1 =
            _mm512_sub_epi32(_mm512_loadu_si512(now + i + 16), _mm512_loadu_si512(ref + i + 16));
        const __mmask16 m0 = _mm512_cmpge_epi32_mask(_mm512_maskz_abs_epi32(0xFFFF, d0), thr);
        const __mmask16 m1 = _mm512_cmpge_epi32_mask(_mm512_maskz_abs_epi32(0xFFFF, d1), thr);
        _mm512_storeu_si512(now + i, _mm512_maskz_mov_epi32(m0, mark));
        _mm512_storeu_si512(now + i + 16, _mm512_maskz_mov_epi32(m1, mark));
        marked += static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(m0)) +
                                             std::popcount(static_cast<unsigned>(m1)));
    }
    for (; i + 16 <= n; i += 16) {
        const __m512i d =
            _mm512_sub_epi32(_mm512_loadu_si512(now + i), _mm512_loadu_si512(ref + i));
        const __mmask16 m = _mm512_cmpge_epi32_mask(_mm512_maskz_abs_epi32(0xFFFF, d), thr);
        _mm512_storeu_si512(now + i, _mm512_maskz_mov_epi32(m, mark));
        marked += static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(m)));
    }
    return marked + portableKernel(now + i, ref + i, n - i, threshold);
}
#endif

bool runs(SimdTarget target) {
    switch (target) {
        case SimdTarget::Portable:
            return true;
#if SKYMRA_X86
        case SimdTarget::Sse2:
#ifdef __SSE2__
            // The portable kernel is SSE2 code already, vectorised by the compiler, and faster
            // than the hand-written one; that stays for 32-bit builds without SSE2 by default.
            return false;
#else
            return __builtin_cpu_supports("sse2");
#endif
        case SimdTarget::Avx2:
            return __builtin_cpu_supports("avx2");
        case SimdTarget::Avx512:
            return __builtin_cpu_supports("avx512f");
#endif
        default:
            return false;
    }
}

Kernel kernelFor(SimdTarget target) {
    switch (target) {
#if SKYMRA_X86
        case SimdTarget::Sse2:
            return sse2Kernel;
        case SimdTarget::Avx2:
            return avx2Kernel;
        case SimdTarget::Avx512:
            return avx512Kernel;
#endif
        default:
            return portableKernel;
    }
}

SimdTarget widestTarget() {
    const auto targets = supportedTargets();
    return targets.back();
}

std::int32_t run(Kernel kernel, std::span<std::int32_t> newPixels,
                 std::span<const std::int32_t> refPixels, std::int32_t threshold) {
    if (newPixels.size() != refPixels.size()) {
        throw std::invalid_argument("compareFrames: the two pixel buffers differ in length");
    }
    const std::uint32_t marked =
        kernel(newPixels.data(), refPixels.data(), newPixels.size(), threshold);
    // The first marked pixel is never counted.
    return static_cast<std::int32_t>(marked == 0 ? 0u : marked - 1u);
}

}  // namespace

std::string_view targetName(SimdTarget target) {
    switch (target) {
        case SimdTarget::Sse2:
            return "SSE2";
        case SimdTarget::Avx2:
            return "AVX2";
        case SimdTarget::Avx512:
            return "AVX-512";
        default:
            return "portable";
    }
}

std::vector<SimdTarget> supportedTargets() {
    std::vector<SimdTarget> targets;
    for (const SimdTarget t :
         {SimdTarget::Portable, SimdTarget::Sse2, SimdTarget::Avx2, SimdTarget::Avx512}) {
        if (runs(t)) targets.push_back(t);
    }
    return targets;
}

SimdTarget activeTarget() {
    static const SimdTarget target = widestTarget();
    return target;
}

std::int32_t compareFramesOn(SimdTarget target, std::span<std::int32_t> newPixels,
                             std::span<const std::int32_t> refPixels, std::int32_t threshold) {
    if (!runs(target)) {
        throw std::invalid_argument("compareFramesOn: this processor cannot run that target");
    }
    return run(kernelFor(target), newPixels, refPixels, threshold);
}

std::int32_t compareFrames(std::span<std::int32_t> newPixels,
                           std::span<const std::int32_t> refPixels, std::int32_t threshold) {
    static const Kernel kernel = kernelFor(activeTarget());
    return run(kernel, newPixels, refPixels, threshold);
}

bool alarmRaised(std::int32_t changeCount, std::int32_t sliderValue) {
    const auto limit = static_cast<std::int32_t>(5u * static_cast<std::uint32_t>(sliderValue));
    return changeCount > limit;
}

}  // namespace skymra

// The row kernels built three times from rasterizer_row_kernels.inc: on SSE2 registers (every
// x86-64), and on AVX2 and AVX-512 registers inside target regions, so that nothing built for
// the wider units is shared with code that runs before the processor is asked. Channels are widened to 16-bit lanes: the
// sums a (256 - f) + b f and s a + d (255 - a) + 128 stay below 2^16.
#include "platform/directx/rasterizer_rows.h"

#include <immintrin.h>

#include <cstring>

// Target regions: GCC takes them as push/pop options; clang applies the attribute to every
// function declared inside, lambdas included.
#if defined(__clang__)
#define ROWS_TARGET_BEGIN(t) _Pragma(t)
#define ROWS_TARGET_END _Pragma("clang attribute pop")
#define ROWS_AVX2 "clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)"
#define ROWS_AVX512 "clang attribute push(__attribute__((target(\"avx512f,avx512bw\"))), apply_to = function)"
#else
#define ROWS_TARGET_BEGIN(t) _Pragma("GCC push_options") _Pragma(t)
#define ROWS_TARGET_END _Pragma("GCC pop_options")
#define ROWS_AVX2 "GCC target(\"avx2\")"
#define ROWS_AVX512 "GCC target(\"avx512f,avx512bw\")"
#endif

namespace dx {

namespace sse2 {

struct Ops {
  typedef __m128i V;
  enum { kPixels = 4 };
  static V Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void Store(uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static V Lo(V v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
  static V Hi(V v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
  static V Pack(V a, V b) { return _mm_packus_epi16(a, b); }
  static V Set16(int v) { return _mm_set1_epi16((short)v); }
  static V Set32(uint32_t v) { return _mm_set1_epi32((int)v); }
  static V Add(V a, V b) { return _mm_add_epi16(a, b); }
  static V Sub(V a, V b) { return _mm_sub_epi16(a, b); }
  static V Mul(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V Shr8(V a) { return _mm_srli_epi16(a, 8); }
  static V Alpha(V a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
  static V Shr32_24(V a) { return _mm_srli_epi32(a, 24); }
  static V Gt32(V a, V b) { return _mm_cmpgt_epi32(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V Gather(const uint32_t* base, const int32_t* at) {
    return _mm_setr_epi32((int)base[at[0]], (int)base[at[1]], (int)base[at[2]], (int)base[at[3]]);
  }
  static V Sub32(V a, V b) { return _mm_sub_epi32(a, b); }
  static bool All(V mask) { return _mm_movemask_epi8(mask) == 0xFFFF; }
  static V LoadN(const uint32_t* p, int m) {
    alignas(16) uint32_t b[4] = {};
    for (int i = 0; i < 4; ++i)
      if (i < m) b[i] = p[i];
    return _mm_load_si128(reinterpret_cast<const __m128i*>(b));
  }
  static void StoreN(uint32_t* p, V v, int m) {
    alignas(16) uint32_t b[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(b), v);
    for (int i = 0; i < 4; ++i)
      if (i < m) p[i] = b[i];
  }
  // The lanes of `texels' that each lane of `step' names (its low bits).
  static V Permute(V texels, V step) {
    alignas(16) uint32_t t[4], s[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), texels);
    _mm_store_si128(reinterpret_cast<__m128i*>(s), step);
    return _mm_setr_epi32((int)t[s[0] & 3], (int)t[s[1] & 3], (int)t[s[2] & 3], (int)t[s[3] & 3]);
  }
};

#include "platform/directx/rasterizer_row_kernels.inc"

}  // namespace sse2

ROWS_TARGET_BEGIN(ROWS_AVX2)
namespace avx2 {

struct Ops {
  typedef __m256i V;
  enum { kPixels = 8 };
  static V Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static void Store(uint32_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static V Lo(V v) { return _mm256_unpacklo_epi8(v, _mm256_setzero_si256()); }
  static V Hi(V v) { return _mm256_unpackhi_epi8(v, _mm256_setzero_si256()); }
  static V Pack(V a, V b) { return _mm256_packus_epi16(a, b); }
  static V Set16(int v) { return _mm256_set1_epi16((short)v); }
  static V Set32(uint32_t v) { return _mm256_set1_epi32((int)v); }
  static V Add(V a, V b) { return _mm256_add_epi16(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V Mul(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V Shr8(V a) { return _mm256_srli_epi16(a, 8); }
  static V Alpha(V a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF); }
  static V Shr32_24(V a) { return _mm256_srli_epi32(a, 24); }
  static V Gt32(V a, V b) { return _mm256_cmpgt_epi32(a, b); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V Gather(const uint32_t* base, const int32_t* at) {
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), Load(reinterpret_cast<const uint32_t*>(at)), 4);
  }
  static V Sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
  static bool All(V mask) { return _mm256_movemask_epi8(mask) == -1; }
  static V Lanes(int m) { return _mm256_cmpgt_epi32(_mm256_set1_epi32(m), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)); }
  static V LoadN(const uint32_t* p, int m) { return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), Lanes(m)); }
  static void StoreN(uint32_t* p, V v, int m) { _mm256_maskstore_epi32(reinterpret_cast<int*>(p), Lanes(m), v); }
  // The lanes of `texels' that each lane of `step' names (its low bits).
  static V Permute(V texels, V step) { return _mm256_permutevar8x32_epi32(texels, step); }
};

#include "platform/directx/rasterizer_row_kernels.inc"

}  // namespace avx2
ROWS_TARGET_END

ROWS_TARGET_BEGIN(ROWS_AVX512)
// GCC's own headers leave the unused source of some intrinsics undefined on purpose.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
namespace avx512 {

struct Ops {
  typedef __m512i V;
  enum { kPixels = 16 };
  static V Load(const uint32_t* p) { return _mm512_loadu_si512(p); }
  static void Store(uint32_t* p, V v) { _mm512_storeu_si512(p, v); }
  static V Lo(V v) { return _mm512_unpacklo_epi8(v, _mm512_setzero_si512()); }
  static V Hi(V v) { return _mm512_unpackhi_epi8(v, _mm512_setzero_si512()); }
  static V Pack(V a, V b) { return _mm512_packus_epi16(a, b); }
  static V Set16(int v) { return _mm512_set1_epi16((short)v); }
  static V Set32(uint32_t v) { return _mm512_set1_epi32((int)v); }
  static V Add(V a, V b) { return _mm512_add_epi16(a, b); }
  static V Sub(V a, V b) { return _mm512_sub_epi16(a, b); }
  static V Mul(V a, V b) { return _mm512_mullo_epi16(a, b); }
  static V Shr8(V a) { return _mm512_srli_epi16(a, 8); }
  static V Alpha(V a) { return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(a, 0xFF), 0xFF); }
  static V Shr32_24(V a) { return _mm512_srli_epi32(a, 24); }
  static V Gt32(V a, V b) { return _mm512_maskz_set1_epi32(_mm512_cmpgt_epi32_mask(a, b), -1); }
  static V And(V a, V b) { return _mm512_and_si512(a, b); }
  static V AndNot(V a, V b) { return _mm512_andnot_si512(a, b); }
  static V Or(V a, V b) { return _mm512_or_si512(a, b); }
  static V Gather(const uint32_t* base, const int32_t* at) {
    return _mm512_i32gather_epi32(Load(reinterpret_cast<const uint32_t*>(at)), base, 4);
  }
  static V Sub32(V a, V b) { return _mm512_sub_epi32(a, b); }
  static bool All(V mask) { return _mm512_test_epi32_mask(mask, mask) == 0xFFFF; }
  static V LoadN(const uint32_t* p, int m) { return _mm512_maskz_loadu_epi32((__mmask16)((1u << m) - 1), p); }
  static void StoreN(uint32_t* p, V v, int m) { _mm512_mask_storeu_epi32(p, (__mmask16)((1u << m) - 1), v); }
  // The lanes of `texels' that each lane of `step' names (its low bits).
  static V Permute(V texels, V step) { return _mm512_permutexvar_epi32(step, texels); }
};

#include "platform/directx/rasterizer_row_kernels.inc"

}  // namespace avx512
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
ROWS_TARGET_END

const RowKernels& GetRowKernels(int bits) {
  static const int widest = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f") ? 512
                            : __builtin_cpu_supports("avx2")                                        ? 256
                                                                                                    : 128;
  bits = bits < widest ? bits : widest;
  return bits >= 512 ? avx512::kKernels : bits >= 256 ? avx2::kKernels : sse2::kKernels;
}

}  // namespace dx

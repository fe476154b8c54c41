// Fixed-point helpers of the engine: gains in 1/256, Q15 compressor gains, saturation.
// Every shift-and-clamp of the audio paths goes through these, so that a rounding or an
// overflow rule is decided once. Shifts are arithmetic (toward minus infinity), as the mixing
// arithmetic has always been.
#pragma once
#include <cstdint>

namespace mx {

// Saturate to the signed 16-bit range -32768..32767. The 32-bit forms keep the mixing loops in
// 32-bit lanes.
inline int32_t sat16(int32_t v) { return v > 32767 ? 32767 : (v < -32768 ? -32768 : v); }
inline int32_t sat16(int64_t v) {
    return v > 32767 ? 32767 : (v < -32768 ? -32768 : static_cast<int32_t>(v));
}

// Saturate to the symmetric range -32767..32767 (sample mixing never emits -32768).
inline int32_t sat16sym(int32_t v) { return v > 32767 ? 32767 : (v < -32767 ? -32767 : v); }
inline int32_t sat16sym(int64_t v) {
    return v > 32767 ? 32767 : (v < -32767 ? -32767 : static_cast<int32_t>(v));
}

// Saturate to the signed 32-bit range.
inline int32_t sat32(int64_t v) {
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v));
}

// a + b, saturated to 32 bits: accumulators of gains read unchecked from a file.
inline int32_t addSat32(int32_t a, int64_t b) {
    return sat32(static_cast<int64_t>(a) + b);
}

inline int32_t clampi(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

inline int64_t abs64(int64_t v) {
    return v < 0 ? -v : v;
}

// Apply a gain in 1/256 units: (a * g) >> 8.
inline int32_t mulGain256(int32_t a, int32_t g) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * g) >> 8);
}

// The same in 64 bits, for products that may leave 32 bits before the shift.
inline int64_t mulGain256Wide(int64_t a, int64_t g) {
    return (a * g) >> 8;
}

// Combine two gains in 1/256 units (clip gain times track volume).
inline int32_t combineGain256(int32_t a, int32_t b) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 8);
}

// Multiply by a Q15 factor: (a * q) >> 15.
inline int32_t mulQ15(int32_t a, int32_t q) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * q) >> 15);
}

// The same in 64 bits (compressor envelopes and gain tables, whose operands may exceed Q15).
inline int64_t mulQ15Wide(int64_t a, int64_t q) {
    return (a * q) >> 15;
}

// Affinity scaling of the solver: (w * cell) >> 7, cell 128 is neutral.
inline int32_t mulAffinity(int32_t w, int32_t cell) {
    return static_cast<int32_t>((static_cast<int64_t>(w) * cell) >> 7);
}

// Drops the 15 fractional bits of a sum of Q15 products.
inline int64_t fromQ15(int64_t v) {
    return v >> 15;
}

// A value with `frac` fractional bits to a 16-bit sample: shifted down, then saturated.
inline int32_t toSample16(int64_t v, int frac) {
    return sat16(v >> frac);
}
inline int32_t toSample16sym(int32_t v, int frac) {
    return sat16sym(v >> frac);
}

// Q15 gain g times a value v with `frac` fractional bits, to a saturated 16-bit sample. The
// product is split at bits 8 and 15 of the value, as the compressor has always computed it, so
// that each partial product fits 32 bits while |g| < 2^16.
inline int32_t gainQ15ToSample(int64_t g, int64_t v, int frac) {
    return sat16(((g * ((v >> (frac + 8)) & 127)) >> 7) + mulQ15Wide(g, (v >> frac) & 255) +
                 g * (v >> (frac + 15)));
}

// The same for 8 fractional bits in 32-bit arithmetic, exact when |g| < 2^16: the usual case,
// and one the compiler vectorises.
inline int32_t gainQ15ToSample8(int32_t g, int32_t v) {
    return sat16(((g * ((v >> 16) & 127)) >> 7) + ((g * ((v >> 8) & 255)) >> 15) + g * (v >> 23));
}

} // namespace mx

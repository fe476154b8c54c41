// Fixed-point helpers of the engine: gains in 1/256, Q15 compressor gains, saturation.
// Every shift-and-clamp of the audio paths goes through these.
#pragma once
#include <cstdint>

namespace mx {

// Saturate to the signed 16-bit range -32768..32767.
inline int32_t sat16(int32_t v) { return v > 32767 ? 32767 : (v < -32768 ? -32768 : v); }

// Saturate to the symmetric range -32767..32767 (sample mixing never emits -32768).
inline int32_t sat16sym(int32_t v) { return v > 32767 ? 32767 : (v < -32767 ? -32767 : v); }

inline int32_t clampi(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Apply a gain in 1/256 units: (a * g) >> 8, arithmetic shift.
inline int32_t mulGain256(int32_t a, int32_t g) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * g) >> 8);
}

// Combine two gains in 1/256 units (clip gain times track volume).
inline int32_t combineGain256(int32_t a, int32_t b) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 8);
}

// Multiply by a Q15 factor: (a * q) >> 15, arithmetic shift.
inline int32_t mulQ15(int32_t a, int32_t q) {
    return static_cast<int32_t>((static_cast<int64_t>(a) * q) >> 15);
}

// Affinity scaling of the solver: (w * cell) >> 7, cell 128 is neutral.
inline int32_t mulAffinity(int32_t w, int32_t cell) {
    return static_cast<int32_t>((static_cast<int64_t>(w) * cell) >> 7);
}

} // namespace mx

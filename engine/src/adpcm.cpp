// IMA ADPCM resources: a 12-byte "ADPs" header, then one byte per stereo frame (left code in
// the high nibble), decoded in place in the caller's buffer.
#include "adpcm.h"

#include <cstring>

#include "fixed.h"
#include "rsc.h"
#include "tables.h"

namespace mx {
namespace {

constexpr int kHeaderBytes = 12;
constexpr int32_t kMaxStepIndex = 88;

int16_t le16(const uint8_t* b) {
    return static_cast<int16_t>(b[0] | (b[1] << 8));
}

int16_t decodeNibble(uint8_t code, int32_t& predictor, int32_t& index) {
    int32_t m = code & 7;
    int32_t step = kImaStepTable[index];
    index = clampi(index + kImaIndexTable[m], 0, kMaxStepIndex);
    int32_t diff = (step * (2 * m + 1)) >> 3;
    predictor = sat16((code & 8) ? predictor - diff : predictor + diff);
    return static_cast<int16_t>(predictor);
}

} // namespace

int adpcmdecode_init(VoiceSource* src) {
    if (!src) return -1;
    uint8_t* h = src->adpcmHeader;
    if (rscFileRead(src, h, kHeaderBytes) != kHeaderBytes || std::memcmp(h, "ADPs", 4) != 0)
        return -1;
    for (int c = 0; c < 2; ++c) {
        src->predictor[c] = le16(h + 4 + 4 * c);
        // Indexes the step table: a hostile header must not reach past it.
        src->stepIndex[c] = clampi(le16(h + 6 + 4 * c), 0, kMaxStepIndex);
    }
    src->channelsMinus1 = 1;
    return 0;
}

int32_t adpcmdecode_read(VoiceSource* src, int16_t* buffer, int32_t frames) {
    if (!src || !buffer || frames <= 0 || frames > INT32_MAX / 4) return 0;
    // The codes land in the last quarter; frame j's output (bytes 4j..4j+3) never reaches a
    // code not yet decoded (at 3n + j + 1 and beyond).
    uint8_t* codes = reinterpret_cast<uint8_t*>(buffer) + 3 * static_cast<size_t>(frames);
    int32_t got = rscFileRead(src, codes, frames);
    for (int32_t j = 0; j < got; ++j) {
        uint8_t b = codes[j];
        buffer[2 * j] = decodeNibble(b >> 4, src->predictor[0], src->stepIndex[0]);
        buffer[2 * j + 1] = decodeNibble(b & 15, src->predictor[1], src->stepIndex[1]);
    }
    return got;
}

} // namespace mx

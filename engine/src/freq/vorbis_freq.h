// Frequency-domain mixing over Tremor: spectra of short blocks summed per 128-coefficient block,
// then one inverse MDCT, window and overlap-add per channel and block for the whole mix.
#pragma once
#include "../package.h"

namespace mx {

// 0 on success, -1 when out of memory.
int BufferMixedOGGInit(SpectrumAccumulator* acc);
void BufferMixedOGGReset(SpectrumAccumulator* acc);
void BufferMixedOGGRelease(SpectrumAccumulator* acc);
// Starts an output frame: carries the last 128 values over and zeroes the slots.
void BufferMixedOGGNewFrame(SpectrumAccumulator* acc);

// Decodes the stream's next block into `slot`, scaled by the source's mix gains. Returns the
// bytes of PCM the block stands for (samples * 4), 0 at the end, or a negative decoder error.
long ov_read_FREQ(SpectrumAccumulator* acc, VoiceSource* src, int slot);
// Adds a decoded block's spectrum into the current slot.
void vorbis_mix_FREQ(SpectrumAccumulator* acc, vorbis_block* vb, int32_t gainLeft,
                     int32_t gainRight);
// Inverse transform and window of all 12 slots of both channels.
void mapping0_finalIMDCT_MIXED(SpectrumAccumulator* acc);
// 16-bit output of one frame (1536 frames); `firstBlock` is 1 on the first frame after reset.
void ov_read_MIXEDN(SpectrumAccumulator* acc, int16_t* out, int firstBlock);
void ov_read_MIXEDNcompressor(SpectrumAccumulator* acc, CompressorContext* c, int16_t* out,
                              int firstBlock);
// 1 when the stream can be mixed in the frequency domain (stereo, both block sizes 256).
int vorbisFreqCompatible(OggVorbis_File* vf);

} // namespace mx

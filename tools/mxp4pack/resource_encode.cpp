// Resource encoding of the package builder.
#include "resource_encode.h"

#include "mxp4writer/adpcm_encode.h"
#include "mxp4writer/wav_bytes.h"
#include "vorbis_short/encoder.h"

namespace mxpack {

const char* resourceExtension(Encoding e) {
    switch (e) {
    case Encoding::Vorbis:
        return ".ogg";
    case Encoding::Wav:
        return ".wav";
    case Encoding::Adpcm:
        return ".adp";
    }
    return "";
}

bool encodeResource(const WavAudio& audio, Encoding encoding, double quality, int sampleRate,
                    uint32_t serial, EncodedResource& out, std::string& error) {
    switch (encoding) {
    case Encoding::Vorbis: {
        std::vector<int16_t> stereo(2 * size_t(kVorbisLeadFrames), 0);
        const std::vector<int16_t> input = toStereo(audio);
        stereo.insert(stereo.end(), input.begin(), input.end());
        vshort::EncoderOptions options;
        options.sampleRate = sampleRate;
        options.quality = static_cast<float>(quality);
        options.serial = serial;
        out.kind = 1;
        out.bytes = vshort::encodeStereo(stereo.data(), stereo.size() / 2, options);
        if (out.bytes.empty()) {
            error = "the Vorbis encoder refused the audio";
            return false;
        }
        return true;
    }
    case Encoding::Wav:
        out.kind = 2;
        out.bytes = mxp4w::wavBytes(audio.samples, audio.channels, sampleRate);
        return true;
    case Encoding::Adpcm:
        out.kind = 4;
        out.bytes = mxp4w::adpcmEncode(toStereo(audio));
        return true;
    }
    error = "unknown encoding";
    return false;
}

} // namespace mxpack

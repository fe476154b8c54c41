// Audio output: the chunked pull and the volume shared by every backend; the process's session.
#include "platform/audio/audio_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/audio/music_volume.h"
#include "platform/audio/sdl_audio_backend.h"

namespace zplatform {

AudioOutput::AudioOutput(int rate, int pullFrames, Pull pull)
    : rate_(rate), pullFrames_(pullFrames), pull_(std::move(pull)),
      staging_(static_cast<size_t>(pullFrames) * kChannels), stagingPos_(pullFrames) {}

AudioOutput::~AudioOutput() = default;

void AudioOutput::render(int16_t* out, int frames) {
    // Q15 gain; at full volume the source's samples pass unchanged.
    const float volume = MusicVolume::shared().volume();
    const int32_t gain = static_cast<int32_t>(std::lround(volume * 32768.0f));
    while (frames > 0) {
        if (stagingPos_ == pullFrames_) {
            pull_(staging_.data(), pullFrames_);
            stagingPos_ = 0;
            pulled_.fetch_add(pullFrames_, std::memory_order_acq_rel);
        }
        const int n = std::min(frames, pullFrames_ - stagingPos_);
        const int16_t* src = staging_.data() + static_cast<size_t>(stagingPos_) * kChannels;
        const size_t samples = static_cast<size_t>(n) * kChannels;
        if (gain >= 32768) {
            std::memcpy(out, src, samples * sizeof(int16_t));
        } else {
            for (size_t i = 0; i < samples; ++i)
                out[i] = static_cast<int16_t>((static_cast<int32_t>(src[i]) * gain) >> 15);
        }
        stagingPos_ += n;
        out += samples;
        frames -= n;
        delivered_.fetch_add(n, std::memory_order_acq_rel);
    }
}

int64_t AudioOutput::framesHeard() const {
    return std::max<int64_t>(0, framesDelivered() - deviceLatency());
}

int64_t AudioOutput::framesQueued() const {
    return std::max<int64_t>(0, pulled_.load(std::memory_order_acquire) - framesHeard());
}

void AudioOutput::notifyPlayed() {
    const int64_t heard = framesHeard();
    if (heard == lastReported_) return;
    lastReported_ = heard;
    if (played_) played_(heard);
}

namespace {
std::mutex sessionMutex;
std::shared_ptr<AudioBackend>& sessionBackend() {
    static std::shared_ptr<AudioBackend> backend;
    return backend;
}
} // namespace

std::shared_ptr<AudioBackend> AudioSession::backend() {
    std::lock_guard lock(sessionMutex);
    auto& b = sessionBackend();
    if (!b) b = std::make_shared<SdlAudioBackend>();
    return b;
}

void AudioSession::setBackend(std::shared_ptr<AudioBackend> backend) {
    std::lock_guard lock(sessionMutex);
    sessionBackend() = std::move(backend);
}

std::unique_ptr<AudioOutput> AudioSession::open(int rate, int pullFrames, AudioOutput::Pull pull,
                                                std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    if (rate < kMinOutputRate || rate > kMaxOutputRate) {
        *error = "sample rate " + std::to_string(rate) + " Hz is not an audio rate";
        return nullptr;
    }
    if (pullFrames <= 0 || !pull) {
        *error = "no source to pull from";
        return nullptr;
    }
    return backend()->open(rate, pullFrames, std::move(pull), error);
}

} // namespace zplatform

// Recording audio backend: outputs pulled by pump() and mixed into one recording.
#include "platform/audio/recording_audio_backend.h"

#include <algorithm>
#include <cmath>

namespace zplatform {

class RecordingAudioBackend::Output : public AudioOutput {
  public:
    Output(std::shared_ptr<RecordingAudioBackend> backend, int rate, int pullFrames, Pull pull)
        : AudioOutput(rate, pullFrames, std::move(pull)), backend_(std::move(backend)) {}
    ~Output() override { close(); }

    void resume() override {
        if (!isClosed()) running_.store(true, std::memory_order_release);
    }
    void pause() override { running_.store(false, std::memory_order_release); }
    void close() override {
        if (closed_.exchange(true)) return;
        running_.store(false, std::memory_order_release);
        backend_->detach(this);
    }

    // Pumping thread only.
    void play(int frames, std::vector<int16_t>& buffer) {
        buffer.resize(static_cast<size_t>(frames) * kChannels);
        render(buffer.data(), frames);
    }
    void reportPlayed() { notifyPlayed(); }

    double carry = 0; // fractional frames owed at this output's rate

  private:
    std::shared_ptr<RecordingAudioBackend> backend_;
};

RecordingAudioBackend::RecordingAudioBackend(int rate) : rate_(rate) {}

RecordingAudioBackend::~RecordingAudioBackend() = default;

std::unique_ptr<AudioOutput> RecordingAudioBackend::open(int rate, int pullFrames,
                                                         AudioOutput::Pull pull, std::string*) {
    auto out = std::make_unique<Output>(shared_from_this(), rate, pullFrames, std::move(pull));
    std::lock_guard lock(mutex_);
    if (outputs_.empty() && recording_.empty()) rate_ = rate;
    outputs_.push_back(out.get());
    return out;
}

void RecordingAudioBackend::detach(Output* output) {
    // A pump in progress may be pulling from this output: wait for it, unless the pump itself is
    // what closes it.
    std::unique_lock<std::mutex> pumping;
    if (pumpingThread_.load() != std::this_thread::get_id())
        pumping = std::unique_lock<std::mutex>(pumpMutex_);
    std::lock_guard lock(mutex_);
    std::erase(outputs_, output);
}

void RecordingAudioBackend::pump(double seconds) {
    if (!(seconds > 0)) return;
    double exact = 0;
    {
        std::lock_guard lock(mutex_);
        exact = seconds * rate_ + carry_;
    }
    const auto frames = static_cast<int64_t>(std::floor(exact));
    {
        std::lock_guard lock(mutex_);
        carry_ = exact - static_cast<double>(frames);
    }
    pumpFrames(frames);
}

void RecordingAudioBackend::pumpFrames(int64_t frames) {
    if (frames <= 0) return;
    std::lock_guard pumping(pumpMutex_);
    pumpingThread_.store(std::this_thread::get_id());
    std::vector<Output*> outputs;
    size_t start;
    int rate;
    {
        std::lock_guard lock(mutex_);
        outputs = outputs_;
        rate = rate_;
        start = recording_.size();
        recording_.resize(start + static_cast<size_t>(frames) * 2, 0);
    }
    std::vector<int16_t> mixed(static_cast<size_t>(frames) * 2, 0);
    std::vector<int16_t> buffer;
    // Only outputs that play are touched: their owners set them up before resume().
    std::erase_if(outputs, [](Output* out) { return !out->isRunning(); });
    for (Output* out : outputs) {
        // Each output plays the same span of time at its own rate.
        const double exact = static_cast<double>(frames) * out->sampleRate() / rate + out->carry;
        const auto own = static_cast<int64_t>(std::floor(exact));
        out->carry = exact - static_cast<double>(own);
        if (own <= 0) continue;
        out->play(static_cast<int>(own), buffer);
        for (int64_t i = 0; i < frames; ++i) {
            const int64_t j = own == frames ? i : std::min<int64_t>(own - 1, i * own / frames);
            for (int c = 0; c < 2; ++c) {
                const int32_t sum =
                    mixed[static_cast<size_t>(2 * i + c)] + buffer[static_cast<size_t>(2 * j + c)];
                mixed[static_cast<size_t>(2 * i + c)] =
                    static_cast<int16_t>(std::clamp<int32_t>(sum, -32768, 32767));
            }
        }
    }
    {
        std::lock_guard lock(mutex_);
        std::copy(mixed.begin(), mixed.end(), recording_.begin() + static_cast<ptrdiff_t>(start));
    }
    for (Output* out : outputs) out->reportPlayed();
    pumpingThread_.store(std::thread::id{});
}

AudioRecording RecordingAudioBackend::takeRecording() {
    std::lock_guard lock(mutex_);
    AudioRecording r;
    r.sampleRate = rate_;
    r.samples.swap(recording_);
    return r;
}

int RecordingAudioBackend::openOutputs() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(outputs_.size());
}

int RecordingAudioBackend::recordingRate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

} // namespace zplatform

// Recording audio backend: outputs that play only when the host pumps them, on the host's
// (virtual) clock, and a recording of everything they played. The headless host installs it so
// that a script's "wait S" plays exactly S seconds of audio; tests install it to hear exactly
// what a player delivered.
//
// Threads: pump(), pumpFrames() and takeRecording() on one thread (the host's interface thread);
// the outputs' pull callbacks and played handlers run inside pump on that thread. Opening and
// closing outputs may happen on any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio/audio_output.h"

namespace zplatform {

struct AudioRecording {
    int sampleRate = 0;           // the rate of the samples below
    std::vector<int16_t> samples; // interleaved stereo
    size_t frames() const { return samples.size() / 2; }
};

class RecordingAudioBackend : public AudioBackend,
                              public std::enable_shared_from_this<RecordingAudioBackend> {
  public:
    // `rate`: the recording's rate until an output opens; the first output opened into an empty
    // recording sets it.
    explicit RecordingAudioBackend(int rate = 44100);
    ~RecordingAudioBackend() override;

    std::unique_ptr<AudioOutput> open(int rate, int pullFrames, AudioOutput::Pull pull,
                                      std::string* error) override;

    // Lets `seconds` of playback pass: every running output is pulled for that long (at its own
    // rate) and what it plays is mixed into the recording; silence when nothing runs.
    void pump(double seconds);
    // Same, for `frames` frames of the recording's rate.
    void pumpFrames(int64_t frames);
    // What was played since the previous take, at the recording's rate, 16-bit stereo.
    AudioRecording takeRecording();
    // Outputs open now (not closed).
    int openOutputs() const;
    int recordingRate() const;

    class Output;

  private:
    friend class Output;
    void detach(Output* output);

    mutable std::mutex mutex_; // outputs_, the recording; never held while an output pulls
    std::vector<Output*> outputs_;
    int rate_;
    std::vector<int16_t> recording_;
    double carry_ = 0;     // fractional recording frames owed by pump(seconds)
    std::mutex pumpMutex_; // one pump at a time, and close() waits for a pump in progress
    std::atomic<std::thread::id> pumpingThread_{};
};

} // namespace zplatform

// Audio output: one stream of 16-bit interleaved stereo PCM pulled from its source in fixed-size
// chunks, played by the process's audio backend (SDL2 by default; a clocked, recording backend in
// headless runs and tests).
//
// Threads: the pull callback runs on the backend's audio thread (SDL) or on the thread that pumps
// the recording backend. It must fill every frame it is asked for, never wait on a lock another
// thread may hold for long, and never allocate. Everything else (resume, pause, close, the
// counters) may be called from any thread; setPlayedHandler before resume().
// The played handler runs on a service thread of the output (SDL) or on the pumping thread, never
// on the audio thread: it may post to run loops but must not close its own output.
// Levels: frames are counted at the output's rate; framesQueued() is what was pulled from the
// source and not yet heard (the staging chunk plus the device's buffer), the latency a player
// subtracts from its rendered position.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zplatform {

class AudioOutput {
  public:
    // Fills `frames` stereo frames (2 × frames samples) at `out`.
    using Pull = std::function<void(int16_t* out, int frames)>;
    // Told the number of frames heard so far, after it grew.
    using PlayedHandler = std::function<void(int64_t framesHeard)>;

    static constexpr int kChannels = 2;

    virtual ~AudioOutput();

    int sampleRate() const { return rate_; }
    int pullFrames() const { return pullFrames_; }

    // Starts or resumes playback; pause() holds the stream where it is (the pull stops).
    virtual void resume() = 0;
    virtual void pause() = 0;
    // Stops for good: once it returns, the pull callback and the played handler are not running
    // and never run again. Idempotent.
    virtual void close() = 0;

    bool isRunning() const { return running_.load(std::memory_order_acquire); }
    bool isClosed() const { return closed_.load(std::memory_order_acquire); }
    // Frames pulled from the source so far.
    int64_t framesPulled() const { return pulled_.load(std::memory_order_acquire); }
    // Frames handed to the device (or the recording) so far.
    int64_t framesDelivered() const { return delivered_.load(std::memory_order_acquire); }
    // Frames the listener has heard so far.
    virtual int64_t framesHeard() const;
    // Frames pulled from the source and not yet heard.
    int64_t framesQueued() const;
    void setPlayedHandler(PlayedHandler handler) { played_ = std::move(handler); }

    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

  protected:
    AudioOutput(int rate, int pullFrames, Pull pull);
    // Delivers `frames` frames to `out` at the music volume, pulling whole chunks from the source
    // as needed. Audio thread (or the pumping thread); allocates nothing.
    void render(int16_t* out, int frames);
    // Frames the device holds beyond what render() delivered (its buffer): not yet heard.
    virtual int64_t deviceLatency() const { return 0; }
    void notifyPlayed();

    std::atomic<bool> running_{false};
    std::atomic<bool> closed_{false};

  private:
    int rate_;
    int pullFrames_;
    Pull pull_;
    PlayedHandler played_;
    std::vector<int16_t> staging_; // one chunk of the source
    int stagingPos_;               // frames of staging_ already delivered
    std::atomic<int64_t> pulled_{0};
    std::atomic<int64_t> delivered_{0};
    int64_t lastReported_ = -1; // played handler's thread only
};

// Makes outputs. One backend serves the process at a time (AudioSession).
class AudioBackend {
  public:
    virtual ~AudioBackend() = default;
    // Opens a paused output at `rate` Hz (converted by the backend when the device runs at
    // another rate) pulling `pullFrames` frames at a time. Null with `error` set on failure.
    virtual std::unique_ptr<AudioOutput> open(int rate, int pullFrames, AudioOutput::Pull pull,
                                              std::string* error) = 0;
};

// The process's audio session: which backend the players get. The SDL2 backend unless the host
// installs another (the headless host installs a recording one) before any player opens.
class AudioSession {
  public:
    static std::shared_ptr<AudioBackend> backend();
    static void setBackend(std::shared_ptr<AudioBackend> backend);
    static std::unique_ptr<AudioOutput> open(int rate, int pullFrames, AudioOutput::Pull pull,
                                             std::string* error = nullptr);
};

// Lowest and highest sample rates an output opens at.
constexpr int kMinOutputRate = 8000;
constexpr int kMaxOutputRate = 192000;

} // namespace zplatform

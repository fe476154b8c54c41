// KT_AudioStream: plays one compressed audio file streamed over HTTP while it downloads (the
// discography's previews). The body goes through a byte pipe to FFmpeg (the content is probed:
// every type FFmpeg reads plays), is decoded to 16-bit stereo into six buffers of 8192 frames,
// and is pulled from there by an audio output at the stream's rate.
//
// Threads: construct, start, stop and destroy on the interface thread (stop also from any
// other). The player runs a network thread (its run loop, the download, the stall count in
// 0.25-s turns) and a decoder thread; the output's callback only copies from the buffers.
// `isPlaying` observers and alerts run on the interface thread. The destructor stops playback
// and waits for both threads (they end promptly once stopped).
// A stream that receives nothing for 160 turns while its download is open fails with the
// network alert; a finished download never counts as stalled.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zplatform {
class RunLoop;
}

namespace zplayer {

class KT_AudioStream {
  public:
    static constexpr int kBufferFrames = 8192; // 32768 bytes of 16-bit stereo
    static constexpr int kBufferCount = 6;
    static constexpr double kTurnSeconds = 0.25;
    static constexpr int kStallTurns = 160; // 40 s without data

    using AlertHandler = std::function<void(const std::string& title, const std::string& message)>;

    // How the network thread lets a 0.25-s turn pass. Tests substitute one whose turns are
    // short in real time, so that 40 s of stall pass in a fraction of a second.
    class Clock {
      public:
        virtual ~Clock() = default;
        // Turns `loop` (the network thread's) for one turn of `seconds`.
        virtual void turn(zplatform::RunLoop& loop, double seconds);
    };

    // `initWithURL:`.
    explicit KT_AudioStream(const std::string& url);
    ~KT_AudioStream();

    // Starts the network thread; once per player.
    void start();
    // Stops playback unless it has finished (before any audio, while playing, or after the
    // download ended); observers then see isPlaying turn false (true then false when no audio
    // had played yet).
    void stop();

    bool isPlaying() const;
    // True once the threads have released the download, the decoder and the output.
    bool isClean() const;
    // Turns of 0.25 s without data while the download is open.
    int hasDataInPipe() const;
    // Average (RMS) and peak level of each channel over the last pull: {avg L, peak L, avg R,
    // peak R}, linear 0..1.
    std::vector<float> audioLevels() const;
    // The stream's sample rate once known, else 0.
    int sampleRate() const;
    const std::string& url() const { return url_; }

    // Called on the interface thread with the new value at every change of isPlaying.
    int addIsPlayingObserver(std::function<void(bool)> observer);
    void removeIsPlayingObserver(int token);
    // Shows the player's alerts (title, message) on the interface thread; default: logged.
    void setAlertHandler(AlertHandler handler);
    // Before start().
    void setClock(std::shared_ptr<Clock> clock);

    // The four-character type hint of the address's path extension ("MPG3" by default). Advice
    // only: the content decides.
    static std::string typeOfSound(const std::string& url);

    KT_AudioStream(const KT_AudioStream&) = delete;
    KT_AudioStream& operator=(const KT_AudioStream&) = delete;

    struct Impl;

  private:
    std::string url_;
    std::shared_ptr<Impl> impl_;
};

} // namespace zplayer

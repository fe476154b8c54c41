// KT_AudioStream: the network thread (download, stall count, end and failure handling), the
// decoder thread (FFmpeg into a ring of six buffers) and the output's pull from the ring.
#include "player/kt_audio_stream.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/audio/audio_output.h"
#include "platform/audio/pcm_ring.h"
#include "platform/http/http_connection.h"
#include "platform/media/audio_decoder.h"
#include "platform/media/byte_pipe.h"
#include "platform/run_loop.h"
#include "player/player_log.h"

namespace zplayer {

using zplatform::AudioDecoder;

namespace {

enum Failure : int { kNoFailure = 0, kNetwork, kConnect, kParse, kOutput };

constexpr const char* kAlertTitle = "Audio Streaming";
constexpr const char* kNetworkTitle = "Attention";
constexpr const char* kNetworkMessage = "L'écoute s'est arrêtée suite à un problème réseau";
// No transfer time-out of our own below the stall rule: the 40-second count decides.
constexpr double kTransferTimeout = 120.0;

bool isHttpURL(const std::string& url) {
    auto starts = [&](const char* p) {
        const size_t n = std::strlen(p);
        if (url.size() <= n) return false;
        for (size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != p[i]) return false;
        return true;
    };
    return starts("http://") || starts("https://");
}

} // namespace

void KT_AudioStream::Clock::turn(zplatform::RunLoop& loop, double seconds) {
    loop.runFor(seconds);
}

struct KT_AudioStream::Impl : std::enable_shared_from_this<Impl> {
    static constexpr uint64_t kRingFrames = uint64_t(kBufferFrames) * kBufferCount;

    std::string url;
    std::shared_ptr<Clock> clock = std::make_shared<Clock>();

    std::atomic<bool> started{false};
    std::atomic<bool> isPlaying{false};
    std::atomic<bool> isClean{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> everPlayed{false};
    std::atomic<int> hasDataInPipe{0};
    std::atomic<int> failure{kNoFailure};
    std::atomic<bool> downloadOpen{false};
    std::atomic<int> rate{0};

    zplatform::BytePipe pipe;

    // Written by the decoder thread, read by the output's callback.
    zplatform::PcmRing ring{kRingFrames};
    std::atomic<bool> decodeDone{false};
    // Callback only, then published: frames pulled so far, and where the audio ended in them.
    uint64_t pulledFrames = 0;
    std::atomic<int64_t> audioEndsAt{-1};
    std::atomic<float> levels[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    std::mutex outputMutex; // the output's lifetime and its pause; never taken by the callback
    std::unique_ptr<zplatform::AudioOutput> output;

    std::thread network;
    std::thread decoder;
    std::mutex loopMutex;
    std::shared_ptr<zplatform::RunLoop> networkLoop;

    std::mutex playingMutex; // orders isPlaying changes with their posts
    std::mutex observersMutex;
    int nextToken = 1;
    std::vector<std::pair<int, std::shared_ptr<std::function<void(bool)>>>> observers;
    AlertHandler alertHandler;

    // --- interface-thread deliveries

    void postPlaying(bool value) { // playingMutex held
        isPlaying.store(value);
        std::weak_ptr<Impl> weak = weak_from_this();
        zplatform::RunLoop::main().post([weak, value] {
            auto self = weak.lock();
            if (!self) return;
            std::vector<std::shared_ptr<std::function<void(bool)>>> snapshot;
            {
                std::lock_guard lock(self->observersMutex);
                for (auto& o : self->observers) snapshot.push_back(o.second);
            }
            for (auto& o : snapshot) {
                bool present;
                {
                    std::lock_guard lock(self->observersMutex);
                    present = std::any_of(self->observers.begin(), self->observers.end(),
                                          [&](const auto& p) { return p.second == o; });
                }
                if (present && *o) (*o)(value);
            }
        });
    }

    void alert(const std::string& title, const std::string& message) {
        playerLog("%s: %s (%s)", title.c_str(), message.c_str(), url.c_str());
        std::weak_ptr<Impl> weak = weak_from_this();
        zplatform::RunLoop::main().post([weak, title, message] {
            auto self = weak.lock();
            if (!self) return;
            AlertHandler handler;
            {
                std::lock_guard lock(self->observersMutex);
                handler = self->alertHandler;
            }
            if (handler) handler(title, message);
        });
    }

    // --- state changes, any thread

    void wakeNetwork() {
        std::lock_guard lock(loopMutex);
        if (networkLoop) networkLoop->stop();
    }

    void fail(Failure kind, const char* why) {
        int none = kNoFailure;
        if (failure.compare_exchange_strong(none, kind)) playerLog("stream failed: %s", why);
        wakeNetwork();
    }

    void failFromDecoder(AudioDecoder::Status s) {
        switch (s) {
        case AudioDecoder::Status::kInterrupted:
            return; // stopped
        case AudioDecoder::Status::kInputFailed:
            fail(kNetwork, "download broke");
            return;
        default:
            fail(kParse, AudioDecoder::describe(s));
            return;
        }
    }

    // Playback stops here for good (stop, failure); observers see the end.
    void stopPlayback() {
        std::lock_guard playing(playingMutex);
        if (finished.exchange(true)) return;
        pipe.abort();
        {
            std::lock_guard lock(outputMutex);
            if (output) output->pause();
        }
        if (!everPlayed.load()) postPlaying(true);
        postPlaying(false);
        wakeNetwork();
    }

    // The last decoded frame has been heard.
    void endReached() {
        {
            std::lock_guard playing(playingMutex);
            if (finished.exchange(true)) return;
            if (!everPlayed.load()) postPlaying(true);
            postPlaying(false);
        }
        wakeNetwork();
    }

    void markPlaying() {
        std::lock_guard playing(playingMutex);
        if (finished.load()) return;
        everPlayed.store(true);
        postPlaying(true);
    }

    // --- the audio callback

    void pull(int16_t* out, int frames) {
        const uint64_t n = ring.pull(out, static_cast<uint64_t>(frames));
        if (n < static_cast<uint64_t>(frames) && decodeDone.load(std::memory_order_acquire) &&
            ring.written() == ring.read() && audioEndsAt.load() < 0)
            audioEndsAt.store(static_cast<int64_t>(pulledFrames + n));
        pulledFrames += static_cast<uint64_t>(frames);
        // Level meters over this pull.
        for (int c = 0; c < 2; ++c) {
            double sum = 0;
            int peak = 0;
            for (int i = 0; i < frames; ++i) {
                const int v = out[2 * i + c];
                sum += double(v) * v;
                peak = std::max(peak, v < 0 ? -v : v);
            }
            levels[2 * c].store(static_cast<float>(std::sqrt(sum / frames) / 32768.0));
            levels[2 * c + 1].store(static_cast<float>(peak / 32768.0));
        }
    }

    // --- the decoder thread

    bool writeRing(const std::vector<int16_t>& pcm) {
        return ring.write(pcm.data(), pcm.size() / 2, [this] { return finished.load(); });
    }

    void startOutput() {
        {
            std::lock_guard lock(outputMutex);
            if (finished.load() || !output) return;
            output->resume();
        }
        // Outside the output's lock: stopPlayback() takes the two the other way round.
        markPlaying();
    }

    void runDecoder() {
        struct PipeInput : zplatform::MediaInput {
            Impl& d;
            explicit PipeInput(Impl& impl) : d(impl) {}
            int read(uint8_t* out, int size) override { return d.pipe.read(out, size); }
            bool interrupted() const override { return d.finished.load() || d.pipe.aborted(); }
        } input(*this);

        AudioDecoder dec;
        AudioDecoder::Status s = dec.open(input);
        if (s != AudioDecoder::Status::kOk) return failFromDecoder(s);
        rate.store(dec.sampleRate());
        std::string error;
        auto out = zplatform::AudioSession::open(
            dec.sampleRate(), kBufferFrames, [this](int16_t* o, int n) { pull(o, n); }, &error);
        if (!out) {
            playerLog("stream output: %s", error.c_str());
            return fail(kOutput, "no output");
        }
        out->setPlayedHandler([this](int64_t heard) {
            const int64_t end = audioEndsAt.load();
            if (end >= 0 && heard >= end) endReached();
        });
        {
            std::lock_guard lock(outputMutex);
            output = std::move(out);
        }
        std::vector<int16_t> pcm;
        bool outputStarted = false;
        uint64_t decoded = 0;
        for (;;) {
            pcm.clear();
            s = dec.decode(pcm);
            if (!pcm.empty() && !writeRing(pcm)) return; // stopped while waiting for room
            decoded += pcm.size() / 2;
            if (s == AudioDecoder::Status::kEnd) {
                if (decoded == 0) return fail(kNetwork, "no audio in the stream");
                decodeDone.store(true, std::memory_order_release);
                if (!outputStarted) startOutput();
                return;
            }
            if (s != AudioDecoder::Status::kOk) return failFromDecoder(s);
            if (!outputStarted && ring.written() >= kBufferFrames) {
                startOutput();
                outputStarted = true;
            }
        }
    }

    // --- the network thread

    struct Download : zplatform::HttpConnectionDelegate {
        Impl& d;
        explicit Download(Impl& impl) : d(impl) {}
        void didReceiveResponse(zplatform::HttpConnection&,
                                const zplatform::HttpResponse& response) override {
            if (response.statusCode >= 400) {
                d.downloadOpen.store(false);
                d.pipe.fail();
                d.fail(kNetwork, "error status from the server");
            }
        }
        void didReceiveData(zplatform::HttpConnection&, std::string_view bytes) override {
            if (bytes.empty()) return;
            d.hasDataInPipe.store(0);
            d.pipe.append(bytes);
        }
        void connectionDidFinishLoading(zplatform::HttpConnection&) override {
            d.downloadOpen.store(false);
            d.pipe.finish();
        }
        void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError& e) override {
            d.downloadOpen.store(false);
            d.pipe.fail();
            d.fail(kNetwork, e.description.c_str());
        }
    };

    void runNetwork() {
        auto loop = zplatform::RunLoop::currentHandle();
        {
            std::lock_guard lock(loopMutex);
            networkLoop = loop;
        }
        std::unique_ptr<zplatform::HttpConnection> connection;
        Download download(*this);
        if (!isHttpURL(url)) {
            stopPlayback();
            alert(kAlertTitle, "Can't Connect to server");
        } else if (!finished.load()) {
            zplatform::HttpRequest request;
            request.url = url;
            request.method = "GET";
            request.timeoutInterval = kTransferTimeout;
            request.followRedirects = true;
            downloadOpen.store(true);
            connection = std::make_unique<zplatform::HttpConnection>(request, download);
            decoder = std::thread([this] { runDecoder(); });
            hasDataInPipe.store(0);
            for (;;) {
                if (downloadOpen.load()) hasDataInPipe.fetch_add(1);
                clock->turn(*loop, kTurnSeconds);
                if (downloadOpen.load() && hasDataInPipe.load() >= kStallTurns)
                    fail(kNetwork, "no data for 40 seconds");
                if (const int f = failure.load(); f != kNoFailure) {
                    stopPlayback();
                    switch (f) {
                    case kParse:
                        alert(kAlertTitle, "Can't parse AudioFileStream");
                        break;
                    case kOutput:
                        alert(kAlertTitle, "Can't create new AudioQueue");
                        break;
                    default:
                        alert(kNetworkTitle, kNetworkMessage);
                        break;
                    }
                    break;
                }
                if (finished.load() && !isPlaying.load()) break;
            }
        }
        // Cleanup: the download, the decoder, the output.
        if (connection) connection->cancel();
        connection.reset();
        downloadOpen.store(false);
        pipe.abort();
        if (decoder.joinable()) decoder.join();
        std::unique_ptr<zplatform::AudioOutput> out;
        {
            std::lock_guard lock(outputMutex);
            out = std::move(output);
        }
        if (out) out->close();
        out.reset();
        {
            std::lock_guard lock(loopMutex);
            networkLoop.reset();
        }
        isClean.store(true);
    }
};

KT_AudioStream::KT_AudioStream(const std::string& url)
    : url_(url), impl_(std::make_shared<Impl>()) {
    impl_->url = url;
}

KT_AudioStream::~KT_AudioStream() {
    stop();
    if (impl_->network.joinable()) impl_->network.join();
}

void KT_AudioStream::start() {
    if (impl_->started.exchange(true)) return;
    impl_->network = std::thread([impl = impl_] { impl->runNetwork(); });
}

void KT_AudioStream::stop() {
    if (!impl_->started.load()) return;
    impl_->stopPlayback();
}

bool KT_AudioStream::isPlaying() const {
    return impl_->isPlaying.load();
}

bool KT_AudioStream::isClean() const {
    return impl_->isClean.load();
}

int KT_AudioStream::hasDataInPipe() const {
    return impl_->hasDataInPipe.load();
}

std::vector<float> KT_AudioStream::audioLevels() const {
    std::vector<float> v(4);
    for (int i = 0; i < 4; ++i) v[static_cast<size_t>(i)] = impl_->levels[i].load();
    return v;
}

int KT_AudioStream::sampleRate() const {
    return impl_->rate.load();
}

int KT_AudioStream::addIsPlayingObserver(std::function<void(bool)> observer) {
    std::lock_guard lock(impl_->observersMutex);
    const int token = impl_->nextToken++;
    impl_->observers.emplace_back(token,
                                  std::make_shared<std::function<void(bool)>>(std::move(observer)));
    return token;
}

void KT_AudioStream::removeIsPlayingObserver(int token) {
    std::lock_guard lock(impl_->observersMutex);
    std::erase_if(impl_->observers, [token](const auto& o) { return o.first == token; });
}

void KT_AudioStream::setAlertHandler(AlertHandler handler) {
    std::lock_guard lock(impl_->observersMutex);
    impl_->alertHandler = std::move(handler);
}

void KT_AudioStream::setClock(std::shared_ptr<Clock> clock) {
    if (!impl_->started.load() && clock) impl_->clock = std::move(clock);
}

std::string KT_AudioStream::typeOfSound(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    std::string ext;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::pair<const char*, const char*> kTypes[] = {
        {"mp3", "MPG3"},  {"wav", "WAVE"}, {"aifc", "AIFC"}, {"aiff", "AIFF"}, {"m4a", "m4af"},
        {"m4b", "m4af"},  {"mp4", "mp4f"}, {"caf", "caff"},  {"aac", "adts"},  {"ac3", "ac-3"},
        {"sd2", "Sd2f"},  {"mp2", "MPG2"}, {"nxt", "NeXT"},  {"mp1", "MPG1"},  {"3gp", "3gpp"},
        {"3gpp", "3gp2"}, {"amr", "amrf"},
    };
    for (const auto& [e, type] : kTypes)
        if (ext == e) return type;
    return "MPG3";
}

} // namespace zplayer

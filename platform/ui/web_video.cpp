// WebVideo: the download on the interface loop, the decoder thread, the picture hand-over
// through the interface run loop, the sound ring pulled by the audio output.
#include "platform/ui/web_video.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/audio/audio_output.h"
#include "platform/audio/pcm_ring.h"
#include "platform/http/http_connection.h"
#include "platform/media/byte_pipe.h"
#include "platform/media/video_decoder.h"
#include "platform/run_loop.h"
#include "platform/ui/web_page_text.h"

namespace ui {
namespace {

constexpr size_t kMaxPendingPictures = 12;
constexpr uint64_t kRingFrames = 6 * 8192;
constexpr int kPullFrames = 2048;
constexpr double kPresentInterval = 1.0 / 60;

std::string lowerCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The value of attribute `name` in the tag text `tag` ("<video src=a width=2>"), decoded.
std::optional<std::string> attribute(std::string_view tag, std::string_view name) {
    const std::string lower = lowerCopy(tag);
    size_t at = 0;
    while ((at = lower.find(name, at)) != std::string::npos) {
        const bool starts = at > 0 && std::isspace(static_cast<unsigned char>(lower[at - 1]));
        size_t i = at + name.size();
        while (i < lower.size() && std::isspace(static_cast<unsigned char>(lower[i]))) ++i;
        if (!starts || i >= lower.size() || lower[i] != '=') {
            at += name.size();
            continue;
        }
        ++i;
        while (i < lower.size() && std::isspace(static_cast<unsigned char>(lower[i]))) ++i;
        if (i >= tag.size()) return std::nullopt;
        size_t end;
        if (tag[i] == '"' || tag[i] == '\'') {
            end = tag.find(tag[i], i + 1);
            if (end == std::string_view::npos) return std::nullopt;
            return decodeHtmlEntities(tag.substr(i + 1, end - i - 1));
        }
        end = i;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) &&
               tag[end] != '>' && tag[end] != '/')
            ++end;
        return decodeHtmlEntities(tag.substr(i, end - i));
    }
    return std::nullopt;
}

float number(const std::optional<std::string>& text) {
    if (!text) return 0;
    char* end = nullptr;
    const float v = std::strtof(text->c_str(), &end);
    return v > 0 && v < 10000 ? v : 0;
}

} // namespace

std::optional<VideoElement> findVideoElement(std::string_view html) {
    const std::string lower = lowerCopy(html);
    size_t open = lower.find("<video");
    while (open != std::string::npos && open + 6 < lower.size() &&
           !std::isspace(static_cast<unsigned char>(lower[open + 6])) && lower[open + 6] != '>')
        open = lower.find("<video", open + 6);
    if (open == std::string::npos) return std::nullopt;
    const size_t close = lower.find('>', open);
    if (close == std::string::npos) return std::nullopt;
    const std::string_view tag = html.substr(open, close - open + 1);
    VideoElement e;
    e.width = number(attribute(tag, "width"));
    e.height = number(attribute(tag, "height"));
    if (auto src = attribute(tag, "src")) e.src = *src;
    if (e.src.empty()) {
        const size_t end = lower.find("</video", close);
        size_t s = lower.find("<source", close);
        if (s != std::string::npos && (end == std::string::npos || s < end)) {
            const size_t sclose = lower.find('>', s);
            if (sclose != std::string::npos) {
                if (auto src = attribute(html.substr(s, sclose - s + 1), "src")) e.src = *src;
            }
        }
    }
    if (e.src.empty()) return std::nullopt;
    e.line = htmlToText(html.substr(0, open)).lines.size();
    return e;
}

std::string resolveURL(const std::string& base, const std::string& ref) {
    const std::string lower = lowerCopy(ref);
    if (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) return ref;
    const size_t scheme = base.find("://");
    if (scheme == std::string::npos) return ref;
    if (ref.rfind("//", 0) == 0) return base.substr(0, scheme + 1) + ref;
    const size_t pathStart = base.find('/', scheme + 3);
    const std::string origin = pathStart == std::string::npos ? base : base.substr(0, pathStart);
    if (!ref.empty() && ref[0] == '/') return origin + ref;
    std::string dir = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    dir = dir.substr(0, dir.find_first_of("?#"));
    dir = dir.substr(0, dir.rfind('/') + 1);
    return origin + dir + ref;
}

struct WebVideo::Impl : std::enable_shared_from_this<Impl>, zplatform::HttpConnectionDelegate {
    std::string url;
    std::function<void()> changed;

    // Interface thread.
    std::unique_ptr<zplatform::HttpConnection> connection;
    std::shared_ptr<zplatform::Timer> presenter;
    std::deque<zplatform::VideoPicture> queue; // decoded, not yet shown
    Image current;
    Size size;
    int shown = 0;
    bool playing = false;
    bool failedFlag = false;
    bool ended = false;
    double silentClock = 0; // a clip without sound: seconds played
    std::chrono::steady_clock::time_point lastTick{};

    // Shared with the decoder thread and the output.
    zplatform::BytePipe pipe;
    std::atomic<bool> stopping{false};
    std::atomic<size_t> pendingPictures{0}; // posted or queued, not yet shown
    std::atomic<bool> decodeDone{false};
    std::atomic<bool> decodeFailed{false};
    std::thread decoder;
    std::mutex outputMutex;
    std::unique_ptr<zplatform::AudioOutput> output;
    std::atomic<int> rate{0};
    zplatform::PcmRing ring{kRingFrames};

    // --- download (interface loop)
    void didReceiveData(zplatform::HttpConnection&, std::string_view bytes) override {
        pipe.append(bytes);
    }
    void didReceiveResponse(zplatform::HttpConnection&, const zplatform::HttpResponse& r) override {
        if (r.statusCode >= 400) pipe.fail();
    }
    void connectionDidFinishLoading(zplatform::HttpConnection&) override { pipe.finish(); }
    void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError&) override {
        pipe.fail();
    }

    // --- the output's callback
    void pull(int16_t* out, int frames) { ring.pull(out, static_cast<uint64_t>(frames)); }

    // --- decoder thread
    void runDecoder() {
        struct PipeInput : zplatform::MediaInput {
            Impl& d;
            explicit PipeInput(Impl& impl) : d(impl) {}
            int read(uint8_t* out, int size) override { return d.pipe.read(out, size); }
            bool interrupted() const override { return d.stopping.load(); }
        } input(*this);
        zplatform::VideoDecoder dec;
        std::weak_ptr<Impl> weak = weak_from_this();
        auto finish = [&](bool failed) {
            (failed ? decodeFailed : decodeDone).store(true);
            zplatform::RunLoop::main().post([weak] {
                if (auto self = weak.lock()) self->present();
            });
        };
        if (dec.open(input) != zplatform::VideoDecoder::Status::kOk) return finish(true);
        if (dec.hasAudio()) {
            auto out = zplatform::AudioSession::open(dec.sampleRate(), kPullFrames,
                                                     [this](int16_t* o, int n) { pull(o, n); });
            std::lock_guard lock(outputMutex);
            if (out && !stopping.load()) {
                output = std::move(out);
                rate.store(dec.sampleRate());
            }
        }
        std::vector<zplatform::VideoPicture> pictures;
        std::vector<int16_t> pcm;
        bool postedAny = false;
        for (;;) {
            pictures.clear();
            pcm.clear();
            const auto s = dec.decode(pictures, pcm);
            if (!writeSound(pcm)) return;
            if (!pictures.empty()) {
                pendingPictures.fetch_add(pictures.size());
                postedAny = true;
                zplatform::RunLoop::main().post([weak, p = std::move(pictures)]() mutable {
                    if (auto self = weak.lock()) self->arrived(std::move(p));
                });
                pictures = {};
            }
            if (s == zplatform::VideoDecoder::Status::kEnd) return finish(false);
            if (s != zplatform::VideoDecoder::Status::kOk)
                return finish(s != zplatform::VideoDecoder::Status::kInterrupted && !postedAny);
            // Not further ahead of the interface than a few pictures.
            while (pendingPictures.load() > kMaxPendingPictures && !stopping.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (stopping.load()) return;
        }
    }

    bool writeSound(const std::vector<int16_t>& pcm) {
        if (rate.load() == 0) return true;
        return ring.write(pcm.data(), pcm.size() / 2, [this] { return stopping.load(); });
    }

    // --- interface thread
    void arrived(std::vector<zplatform::VideoPicture> pictures) {
        for (auto& p : pictures) queue.push_back(std::move(p));
        present();
    }

    // The time of the clip being shown: the sound heard, or the interface's own clock.
    double clipTime() {
        const auto now = std::chrono::steady_clock::now();
        if (playing && lastTick != std::chrono::steady_clock::time_point{})
            silentClock += std::chrono::duration<double>(now - lastTick).count();
        lastTick = now;
        const int r = rate.load();
        if (r == 0) return silentClock;
        std::lock_guard lock(outputMutex);
        if (!output) return silentClock;
        const auto consumed = static_cast<int64_t>(ring.read());
        const int64_t heard = std::max<int64_t>(0, consumed - output->framesQueued());
        return static_cast<double>(heard) / r;
    }

    void present() {
        bool changedNow = false;
        if (!failedFlag && decodeFailed.load() && !current) {
            failedFlag = true;
            changedNow = true;
        }
        const double t = clipTime();
        // The first picture shows before the clip plays (its poster); then each in its time.
        while (!queue.empty() && (!current || (playing && queue.front().time <= t))) {
            auto& p = queue.front();
            current = Image::fromPixels(p.width, p.height, std::move(p.rgba));
            size = {static_cast<float>(p.width), static_cast<float>(p.height)};
            queue.pop_front();
            pendingPictures.fetch_sub(1);
            ++shown;
            changedNow = true;
        }
        if (playing && decodeDone.load() && queue.empty() && pendingPictures.load() == 0 &&
            ring.written() == ring.read()) {
            playing = false;
            ended = true;
            std::lock_guard lock(outputMutex);
            if (output) output->pause();
            changedNow = true;
        }
        if (changedNow && changed) changed();
    }

    void start() {
        zplatform::HttpRequest request;
        request.url = url;
        request.method = "GET";
        request.timeoutInterval = 30;
        connection = std::make_unique<zplatform::HttpConnection>(request, *this);
        decoder = std::thread([self = shared_from_this()] { self->runDecoder(); });
        std::weak_ptr<Impl> weak = weak_from_this();
        presenter =
            zplatform::RunLoop::main().addTimer(kPresentInterval, true, [weak](zplatform::Timer&) {
                if (auto self = weak.lock()) self->present();
            });
    }

    void stop() {
        stopping.store(true);
        if (presenter) presenter->invalidate();
        if (connection) connection->cancel();
        pipe.abort();
        if (decoder.joinable()) decoder.join();
        std::lock_guard lock(outputMutex);
        if (output) output->close();
    }
};

WebVideo::WebVideo(const std::string& url, std::function<void()> changed)
    : impl_(std::make_shared<Impl>()) {
    impl_->url = url;
    impl_->changed = std::move(changed);
    impl_->start();
}

WebVideo::~WebVideo() {
    impl_->stop();
}

void WebVideo::play() {
    Impl& d = *impl_;
    if (d.playing || d.failedFlag) return;
    if (d.ended) return; // a clip plays once per page
    d.playing = true;
    d.lastTick = {};
    {
        std::lock_guard lock(d.outputMutex);
        if (d.output) d.output->resume();
    }
    d.present();
    if (d.changed) d.changed();
}

void WebVideo::pause() {
    Impl& d = *impl_;
    if (!d.playing) return;
    d.clipTime(); // the silent clock counts up to now
    d.playing = false;
    {
        std::lock_guard lock(d.outputMutex);
        if (d.output) d.output->pause();
    }
    if (d.changed) d.changed();
}

bool WebVideo::isPlaying() const {
    return impl_->playing;
}

bool WebVideo::hasEnded() const {
    return impl_->ended;
}

bool WebVideo::failed() const {
    return impl_->failedFlag;
}

const Image& WebVideo::picture() const {
    return impl_->current;
}

Size WebVideo::pictureSize() const {
    return impl_->size;
}

int WebVideo::picturesShown() const {
    return impl_->shown;
}

} // namespace ui

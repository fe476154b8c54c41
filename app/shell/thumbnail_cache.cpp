#include "app/shell/thumbnail_cache.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

#include "app/shell/text_blanks.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/atomic_file.h"
#include "platform/http/http_connection.h"
#include "platform/run_loop.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

// A thumbnail is a few kilobytes; a reply past this is no thumbnail, whatever it claims.
constexpr std::size_t kMaxReplyBytes = 8u << 20;
// The wait re-checks the end and the cancellation at least this often.
constexpr double kWaitSlice = 0.2;
// The longest name a directory entry may have.
constexpr std::size_t kMaxNameBytes = 255;

// The address's components between "/" separators, empty ones skipped ("a//b/" -> a, b).
std::vector<std::string_view> pathComponents(std::string_view address) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= address.size()) {
        std::size_t slash = address.find('/', start);
        if (slash == std::string_view::npos) slash = address.size();
        if (slash > start) parts.push_back(address.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// Replaces `file` by `bytes` through a temporary file and a rename, so that a reader never
// sees half a picture. Writers of the same name need no lock: each renames a whole file.
bool storeFile(const std::string& file, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string temp = fs::path(file).parent_path().string() + "/.thumbnail-" +
                             std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part";
    std::error_code ec;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, file, ec);
    if (!ec) return true;
    fs::remove(temp, ec);
    return false;
}

class ReplyCollector : public zplatform::HttpConnectionDelegate {
  public:
    bool done = false;
    bool failed = false;
    long status = 0;
    std::string body;

    void didReceiveResponse(zplatform::HttpConnection&, const zplatform::HttpResponse& r) override {
        status = r.statusCode;
    }
    void didReceiveData(zplatform::HttpConnection& connection, std::string_view chunk) override {
        if (body.size() + chunk.size() > kMaxReplyBytes) {
            connection.cancel();
            failed = done = true;
            return;
        }
        body.append(chunk);
    }
    void connectionDidFinishLoading(zplatform::HttpConnection&) override { done = true; }
    void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError&) override {
        failed = done = true;
    }
};

} // namespace

ThumbnailCache::ThumbnailCache(Settings settings) : settings_(std::move(settings)) {}

ThumbnailCache ThumbnailCache::of(ZephrunAppDelegate& appDelegate) {
    Settings s;
    s.directory = appDelegate.imageDirectory();
    s.shippedDirectory = appDelegate.packageDirectory();
    s.resizeService = appDelegate.url_resize_image().value_or("");
    return ThumbnailCache(std::move(s));
}

bool ThumbnailCache::isStorableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.size() <= kMaxNameBytes &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string ThumbnailCache::lastPathComponent(std::string_view address) {
    auto parts = pathComponents(address);
    return parts.empty() ? std::string() : std::string(parts.back());
}

std::string ThumbnailCache::parentAndName(std::string_view address) {
    auto parts = pathComponents(address);
    std::string_view parent = parts.size() >= 2 ? parts[parts.size() - 2] : std::string_view();
    std::string_view name = parts.empty() ? std::string_view() : parts.back();
    return std::string(parent) + "_" + std::string(name);
}

std::string ThumbnailCache::downloadAddress(const std::string& address,
                                            std::string_view query) const {
    const std::string service = withoutBlanks(settings_.resizeService);
    if (service.empty()) return address;
    return service + "url=" + address + std::string(query);
}

Thumbnail ThumbnailCache::decode(std::string_view bytes, Thumbnail::Source source) {
    // The header first: a picture claiming a huge size is refused before any pixel is decoded.
    std::optional<kt::KT_Image> header = kt::imageFromData(bytes);
    if (!header || header->width > kMaxSide || header->height > kMaxSide) return {};
    if (header->width == 1 && header->height == 1) return {};
    ui::Image image = ui::Image::fromData(bytes);
    if (!image || image.isOnePixel()) return {};
    Thumbnail t;
    t.source = source;
    t.image = std::move(image);
    t.picture = std::make_shared<const kt::KT_Image>(std::move(*header));
    return t;
}

Thumbnail ThumbnailCache::fetch(const std::string& name, const std::string& address,
                                std::string_view query, const std::atomic<bool>* cancelled) const {
    if (address.empty()) return {};
    const bool safeName = isStorableName(name);
    std::string file;
    std::error_code ec;
    if (safeName && !settings_.directory.empty()) {
        fs::create_directories(settings_.directory, ec);
        file = settings_.directory + "/" + name;
        if (fs::is_regular_file(file, ec)) {
            if (auto bytes = zplatform::readWholeFile(file))
                if (Thumbnail t = decode(*bytes, Thumbnail::Source::Stored)) return t;
            // Not a picture (an interrupted or foreign file): fetched again below.
            fs::remove(file, ec);
        } else if (!settings_.shippedDirectory.empty()) {
            const std::string shipped = settings_.shippedDirectory + "/" + name;
            if (fs::is_regular_file(shipped, ec))
                if (auto bytes = zplatform::readWholeFile(shipped))
                    if (Thumbnail t = decode(*bytes, Thumbnail::Source::Shipped)) {
                        storeFile(file, *bytes);
                        return t;
                    }
        }
    }
    return download(address, query, file, cancelled);
}

Thumbnail ThumbnailCache::download(const std::string& address, std::string_view query,
                                   const std::string& file,
                                   const std::atomic<bool>* cancelled) const {
    zplatform::HttpRequest request;
    request.url = downloadAddress(address, query);
    request.method = "GET";
    request.timeoutInterval = settings_.timeoutSeconds;
    request.totalTimeout = settings_.timeoutSeconds;
    ReplyCollector reply;
    zplatform::HttpConnection connection(request, reply);
    zplatform::RunLoop& loop = zplatform::RunLoop::current();
    auto isCancelled = [cancelled] { return cancelled && cancelled->load(); };
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(settings_.timeoutSeconds);
    while (!reply.done && !isCancelled() && std::chrono::steady_clock::now() < deadline)
        loop.runUntil([&] { return reply.done || isCancelled(); }, kWaitSlice);
    if (!reply.done) {
        connection.cancel();
        return {};
    }
    // An error page, a redirect's end elsewhere than a picture, a server failure: no picture.
    if (reply.failed || reply.status != 200) return {};
    Thumbnail t = decode(reply.body, Thumbnail::Source::Downloaded);
    if (t && !file.empty()) storeFile(file, reply.body);
    return t;
}

// --- ThumbnailLoader ---

struct ThumbnailLoader::State {
    std::atomic<bool> alive{true};
    std::atomic<unsigned> generation{0};
};

ThumbnailLoader::ThumbnailLoader(ThumbnailCache cache)
    : cache_(std::move(cache)), state_(std::make_shared<State>()) {}

ThumbnailLoader::~ThumbnailLoader() {
    state_->alive = false;
    std::shared_ptr<zplatform::RunLoop> loop;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
        cancelCurrent_ = true;
        loop = workerLoop_;
    }
    wake_.notify_all();
    if (loop) loop->wakeUp();
    if (worker_.joinable()) worker_.join();
}

void ThumbnailLoader::load(std::string name, std::string address, std::string query, Done done) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(name), std::move(address), std::move(query), std::move(done),
                          state_->generation.load()});
    }
    if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    wake_.notify_one();
}

void ThumbnailLoader::cancelAll() {
    std::shared_ptr<zplatform::RunLoop> loop;
    {
        std::lock_guard lock(mutex_);
        ++state_->generation;
        queue_.clear();
        cancelCurrent_ = true;
        loop = workerLoop_;
    }
    if (loop) loop->wakeUp();
}

void ThumbnailLoader::run() {
    {
        std::lock_guard lock(mutex_);
        workerLoop_ = zplatform::RunLoop::currentHandle();
    }
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) break;
            job = std::move(queue_.front());
            queue_.pop_front();
            if (job.generation != state_->generation) continue;
            cancelCurrent_ = false;
        }
        Thumbnail t = cache_.fetch(job.name, job.address, job.query, &cancelCurrent_);
        zplatform::RunLoop::main().post([state = state_, generation = job.generation,
                                         done = std::move(job.done), t = std::move(t)] {
            if (state->alive && state->generation == generation) done(t);
        });
    }
    std::lock_guard lock(mutex_);
    workerLoop_.reset();
}

} // namespace zephrun

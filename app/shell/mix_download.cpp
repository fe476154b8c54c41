#include "app/shell/mix_download.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "platform/http/http_connection.h"
#include "platform/run_loop.h"
#include "player/mxp4reader.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

std::string megabytes(long long bytes, bool french) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
    std::string s = text;
    if (french)
        for (char& c : s)
            if (c == '.') c = ',';
    return s + (french ? " Mo" : " MB");
}

// Flushes a file (or a directory's entries) to the disk.
void syncPath(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Streams one reply into a file and remembers how it ended.
class FileSink : public zplatform::HttpConnectionDelegate {
  public:
    FileSink(const std::string& path, std::function<void(long long, long long)>& progress)
        : out_(path, std::ios::binary | std::ios::trunc), progress_(progress) {}

    void didReceiveResponse(zplatform::HttpConnection&, const zplatform::HttpResponse& r) override {
        status = r.statusCode;
        expected = r.expectedLength;
    }
    void didReceiveData(zplatform::HttpConnection& c, std::string_view bytes) override {
        if (status != 200) return; // an error page is not kept
        out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out_) {
            failure = "cannot write the package";
            c.cancel();
            done = true;
            return;
        }
        received += static_cast<long long>(bytes.size());
        if (progress_) progress_(received, expected);
    }
    void connectionDidFinishLoading(zplatform::HttpConnection&) override {
        out_.flush();
        done = true;
        complete = static_cast<bool>(out_);
    }
    void didFailWithError(zplatform::HttpConnection&, const zplatform::HttpError& e) override {
        failure = e.description.empty() ? "transfer failed" : e.description;
        done = true;
    }

    long status = 0;
    long long expected = -1;
    long long received = 0;
    bool done = false;
    bool complete = false;
    std::string failure;

  private:
    std::ofstream out_;
    std::function<void(long long, long long)>& progress_;
};

} // namespace

std::string mixDownloadProgressText(bool french, long long received, long long total) {
    std::string text = french ? "Téléchargement du Mix" : "Download Mix";
    text += "\n" + megabytes(received, french);
    if (total > 0) text += " / " + megabytes(total, french);
    return text;
}

MixDownload::Result MixDownload::run(const std::string& url, const std::string& destination,
                                     const std::atomic<bool>& cancel) {
    Result result;
    std::error_code ec;
    fs::create_directories(fs::path(destination).parent_path(), ec);
    const std::string temporary = destination + ".download";
    {
        FileSink sink(temporary, progress_);
        zplatform::HttpRequest request;
        request.url = url;
        request.method = "GET";
        request.timeoutInterval = 60;
        request.totalTimeout = kTimeout;
        zplatform::HttpConnection connection(request, sink);
        zplatform::RunLoop& loop = zplatform::RunLoop::current();
        loop.runUntil([&] { return sink.done || cancel.load(); }, kTimeout + 5);
        if (!sink.done) {
            connection.cancel();
            result.failure = cancel ? "cancelled" : "no reply within the time-out";
        } else if (!sink.failure.empty()) {
            result.failure = sink.failure;
        } else if (sink.status != 200) {
            result.failure = "HTTP status " + std::to_string(sink.status);
        } else if (!sink.complete || (sink.expected >= 0 && sink.received != sink.expected)) {
            result.failure = "incomplete reply";
        }
    }
    if (result.failure.empty() && !zplayer::mxp4reader::initWithFilename(temporary, nullptr))
        result.failure = "not a mix package";
    if (result.failure.empty()) {
        syncPath(temporary);
        fs::rename(temporary, destination, ec);
        if (ec) {
            result.failure = "cannot store the package";
        } else {
            syncPath(fs::path(destination).parent_path().string());
            result.stored = true;
        }
    }
    if (!result.stored) fs::remove(temporary, ec);
    return result;
}

} // namespace zephrun

// The thumbnail cache against an image service of the test's own: what is stored and what is
// not, names that could leave the directory, shipped copies, and the worker-thread loader.
#include <gtest/gtest.h>

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/shell/thumbnail_cache.h"
#include "platform/atomic_file.h"
#include "platform/run_loop.h"
#include "test_support.h"

using zephrun::Thumbnail;
using zephrun::ThumbnailCache;
using zephrun::ThumbnailLoader;
namespace fs = std::filesystem;

namespace {

std::string png(int w, int h) {
    std::vector<std::uint8_t> rgba(static_cast<size_t>(w) * h * 4, 200);
    return ui::Image::fromPixels(w, h, std::move(rgba)).pngData();
}

// Answers "/resize?url=…" by the address it is asked for: "blank" a 1 x 1 picture, "error" a
// server error page, "missing" a picture with status 404, "page" a web page with status 200,
// "slow" a picture after a second, anything else a 67 x 67 picture.
class ImageService {
  public:
    ImageService() {
        http_.Get("/resize", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string url = req.get_param_value("url");
            {
                std::lock_guard lock(mutex_);
                asked_.push_back(url + "|" + req.get_param_value("w"));
            }
            if (url.find("blank") != std::string::npos) {
                res.set_content(png(1, 1), "image/png");
            } else if (url.find("error") != std::string::npos) {
                res.status = 500;
                res.set_content("<html><body>Server Error</body></html>", "text/html");
            } else if (url.find("missing") != std::string::npos) {
                res.status = 404;
                res.set_content(png(67, 67), "image/png");
            } else if (url.find("page") != std::string::npos) {
                res.set_content("<html>not a picture</html>", "text/html");
            } else {
                if (url.find("slow") != std::string::npos)
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                res.set_content(png(67, 67), "image/png");
            }
        });
        port_ = http_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { http_.listen_after_bind(); });
        while (!http_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~ImageService() {
        http_.stop();
        thread_.join();
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    size_t count() const {
        std::lock_guard lock(mutex_);
        return asked_.size();
    }
    std::vector<std::string> asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }

  private:
    httplib::Server http_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> asked_;
};

struct CacheSetup {
    ts::TempDir dir;
    ImageService service;
    ThumbnailCache cache{settings()};

    ThumbnailCache::Settings settings() {
        ThumbnailCache::Settings s;
        s.directory = dir.file("images/cache");
        s.shippedDirectory = dir.file("package");
        s.resizeService = service.base() + "resize?";
        s.timeoutSeconds = 5;
        return s;
    }
    std::string stored(const std::string& name) { return dir.file("images/cache/" + name); }
    Thumbnail fetch(const std::string& name, const std::string& address) {
        return cache.fetch(name, address, "&f=0&w=67&r=1");
    }
};

} // namespace

TEST(Thumbnails, OnlyAPictureThatCameWithStatus200IsUsedAndStored) {
    CacheSetup s;
    Thumbnail t = s.fetch("a.png", "http://site/a.png");
    ASSERT_TRUE(t);
    EXPECT_EQ(t.source, Thumbnail::Source::Downloaded);
    EXPECT_EQ(t.picture->width, 67);
    EXPECT_TRUE(fs::exists(s.stored("a.png")));
    EXPECT_EQ(s.service.asked().front(), "http://site/a.png|67");
    // Read back from its file, without asking again.
    EXPECT_EQ(s.fetch("a.png", "http://site/a.png").source, Thumbnail::Source::Stored);
    EXPECT_EQ(s.service.count(), 1u);

    // The service's "no picture", an error page, a picture sent with 404, a web page: none is
    // a picture, none is stored, and each is asked again next time.
    for (const char* name : {"blank.png", "error.png", "missing.png", "page.png"}) {
        const size_t before = s.service.count();
        EXPECT_FALSE(s.fetch(name, std::string("http://site/") + name)) << name;
        EXPECT_FALSE(s.fetch(name, std::string("http://site/") + name)) << name;
        EXPECT_EQ(s.service.count(), before + 2) << name;
        EXPECT_FALSE(fs::exists(s.stored(name))) << name;
    }
}

TEST(Thumbnails, NamesThatCouldLeaveTheDirectoryAreNeverFiles) {
    for (const char* bad : {"", ".", "..", "../x.png", "a/b.png", "/etc"})
        EXPECT_FALSE(ThumbnailCache::isStorableName(bad)) << bad;
    EXPECT_FALSE(ThumbnailCache::isStorableName(std::string(256, 'a')));
    EXPECT_TRUE(ThumbnailCache::isStorableName("..x.png"));
    EXPECT_EQ(ThumbnailCache::lastPathComponent("http://h/media/a.jpg"), "a.jpg");
    EXPECT_EQ(ThumbnailCache::lastPathComponent("http://h/media/../"), "..");
    EXPECT_EQ(ThumbnailCache::parentAndName("http://h/v/12/t.jpg"), "12_t.jpg");
    EXPECT_NE(ThumbnailCache::parentAndName("http://h/v/12/t.jpg"),
              ThumbnailCache::parentAndName("http://h/v/13/t.jpg"));

    // The picture is still shown, but nothing is written, inside the directory or above it.
    CacheSetup s;
    EXPECT_TRUE(s.fetch("../escape.png", "http://site/escape.png"));
    EXPECT_TRUE(s.fetch("..", "http://site/.."));
    EXPECT_FALSE(fs::exists(s.dir.file("images/escape.png")));
    EXPECT_TRUE(!fs::exists(s.dir.file("images/cache")) ||
                fs::is_empty(s.dir.file("images/cache")));
}

TEST(Thumbnails, ShippedCopiesAreCopiedAndBrokenFilesFetchedAgain) {
    CacheSetup s;
    fs::create_directories(s.dir.file("package"));
    ASSERT_TRUE(zplatform::writeFileAtomically(s.dir.file("package/ship.png"), png(40, 40)));
    Thumbnail t = s.fetch("ship.png", "http://site/ship.png");
    ASSERT_TRUE(t);
    EXPECT_EQ(t.source, Thumbnail::Source::Shipped);
    EXPECT_TRUE(fs::exists(s.stored("ship.png")));
    EXPECT_EQ(s.service.count(), 0u);

    // A stored file that is no picture (cut short, or a 1 x 1) is replaced by a download.
    ASSERT_TRUE(zplatform::writeFileAtomically(s.stored("cut.png"), png(67, 67).substr(0, 40)));
    ASSERT_TRUE(zplatform::writeFileAtomically(s.stored("one.png"), png(1, 1)));
    EXPECT_EQ(s.fetch("cut.png", "http://site/cut.png").source, Thumbnail::Source::Downloaded);
    EXPECT_EQ(s.fetch("one.png", "http://site/one.png").source, Thumbnail::Source::Downloaded);
    EXPECT_EQ(ThumbnailCache::decode(*zplatform::readWholeFile(s.stored("cut.png")),
                                     Thumbnail::Source::Stored)
                  .picture->width,
              67);

    // Without an image service, the address itself is fetched.
    ThumbnailCache::Settings plain = s.settings();
    plain.resizeService = " \n";
    EXPECT_EQ(ThumbnailCache(plain).downloadAddress("http://x/a.jpg", "&w=120&r=1.33"),
              "http://x/a.jpg");
    EXPECT_EQ(s.cache.downloadAddress("http://x/a.jpg", "&w=120&r=1.33"),
              s.service.base() + "resize?url=http://x/a.jpg&w=120&r=1.33");
}

TEST(Thumbnails, LoaderHandsPicturesToTheInterfaceThreadAndStopsWhenCancelled) {
    CacheSetup s;
    auto& loop = zplatform::RunLoop::main();
    std::vector<std::string> got;
    {
        ThumbnailLoader loader(s.cache);
        for (const char* name : {"one.png", "blank.png", "two.png"})
            loader.load(name, std::string("http://site/") + name, "&w=67",
                        [&got, name](const Thumbnail& t) {
                            EXPECT_TRUE(zplatform::RunLoop::isMainThread());
                            got.push_back(std::string(name) + (t ? "+" : "-"));
                        });
        loop.runUntil([&] { return got.size() == 3; }, 10);
        EXPECT_EQ(got, (std::vector<std::string>{"one.png+", "blank.png-", "two.png+"}));

        // A slow download under way and one queued: cancelled, neither reports.
        loader.load("slow.png", "http://site/slow.png", "",
                    [&got](const Thumbnail&) { got.push_back("slow"); });
        loader.load("three.png", "http://site/three.png", "",
                    [&got](const Thumbnail&) { got.push_back("three"); });
        for (int i = 0; i < 1000 && s.service.count() < 4; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        loader.cancelAll();
        loop.runFor(0.3);
    }
    loop.runFor(0.2);
    EXPECT_EQ(got.size(), 3u);
}

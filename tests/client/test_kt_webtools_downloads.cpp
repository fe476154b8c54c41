// KT_webtools downloads: long replies streamed to a file with their progress, replies past their
// cap refused clearly, HTTP errors told apart from time-outs and broken transfers, and the time
// budget held whatever the server sends.
#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "client/kt_webtools.h"
#include "platform/notification_center.h"
#include "platform/run_loop.h"
#include "platform/user_defaults.h"

namespace fs = std::filesystem;
using namespace kt;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kPackage = 8u << 20;

char byteAt(size_t i) {
    return static_cast<char>((i * 131 + i / 4096) & 0xFF);
}

class Server {
  public:
    Server() {
        // A package of 8 MB, with its length, in parts of 64 KB.
        http_.Get("/mix/pkg.mxp4", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(kPackage, "application/octet-stream",
                                     [](size_t offset, size_t length, httplib::DataSink& sink) {
                                         std::string part(std::min<size_t>(length, 65536), '\0');
                                         for (size_t i = 0; i < part.size(); ++i)
                                             part[i] = byteAt(offset + i);
                                         return sink.write(part.data(), part.size());
                                     });
        });
        // Without a length, as fast as it goes, never ending.
        http_.Get("/endless", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& s) {
                static const std::string part(65536, 'e');
                return !stop_ && s.write(part.data(), part.size());
            });
        });
        http_.Get("/missing.mxp4", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("no such package", "text/plain");
        });
        http_.Post("/request.aspx", [](const httplib::Request&, httplib::Response& res) {
            res.status = 413; // refused, with an empty body
        });
        http_.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 200 && !stop_; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            res.set_content("late", "text/plain");
        });
        port_ = http_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { http_.listen_after_bind(); });
        while (!http_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Server() {
        stop_ = true;
        http_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    httplib::Server http_;
    std::atomic<bool> stop_{false};
    int port_ = 0;
    std::thread thread_;
};

struct Delegate : KT_webtoolsDelegate {
    std::string base;
    std::optional<std::string> url_omv() const override { return base; }
    std::optional<std::string> myToken() const override { return std::nullopt; }
    void showNotification(const std::string&, const std::string&, const std::string&) override {}
    void updateConfig(std::string_view) override {}
};

class Downloads : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kt_downloads_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        defaults_ = std::make_unique<zplatform::UserDefaults>(dir_ / "defaults");
        delegate_.base = server_.url("/");
        KT_webtoolsEnvironment e;
        e.defaults = defaults_.get();
        e.displayName = "Zephrun";
        e.center = &center_;
        e.device = zplatform::DeviceInfo{"dev1", "Linux", "6.1", "pocket"};
        e.language = "fr";
        e.bundleVersion = "3.0";
        wt_ = std::make_unique<KT_webtools>(&delegate_, e);
    }
    void TearDown() override {
        wt_.reset();
        fs::remove_all(dir_);
    }
    // Files of the mix directory other than the package itself (temporary files left behind).
    size_t strayFiles() {
        size_t n = 0;
        for (auto& entry : fs::directory_iterator(dir_ / "mix"))
            n += entry.path().filename() != "mxt_2010.mxp4";
        return n;
    }

    Server server_;
    fs::path dir_;
    std::unique_ptr<zplatform::UserDefaults> defaults_;
    zplatform::NotificationCenter center_;
    Delegate delegate_;
    std::unique_ptr<KT_webtools> wt_;
};

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST_F(Downloads, APackageStreamsToItsFileWithProgress) {
    const fs::path file = dir_ / "mix" / "mxt_2010.mxp4";
    std::vector<std::pair<long long, long long>> seen;
    std::atomic<long long> polled{0};
    std::atomic<bool> done{false};
    // Another thread may read the progress while the download runs.
    std::thread reader([&] {
        while (!done) {
            polled = std::max(polled.load(), wt_->KT_getProgress().received);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    wt_->KT_setProgressHandler(
        [&](long long received, long long total) { seen.emplace_back(received, total); });
    ASSERT_TRUE(wt_->KT_downloadToFile(server_.url("/mix/pkg.mxp4"), file, 30));
    done = true;
    reader.join();

    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::Reply);
    EXPECT_EQ(wt_->KT_getStatusCode(), 200);
    EXPECT_EQ(wt_->KT_getExpectedLength(), static_cast<long long>(kPackage));
    EXPECT_FALSE(wt_->KT_getResponse()) << "a download is not kept in memory";
    ASSERT_EQ(fs::file_size(file), kPackage);
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    size_t wrong = 0;
    for (size_t i = 0; i < bytes.size(); ++i) wrong += bytes[i] != byteAt(i);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(strayFiles(), 0u);

    ASSERT_GT(seen.size(), 4u) << "progress comes in parts";
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i].first, seen[i - 1].first);
    EXPECT_EQ(seen.back(), (std::pair<long long, long long>(kPackage, kPackage)));
    EXPECT_GT(polled.load(), 0);
    EXPECT_EQ(wt_->KT_getProgress().received, static_cast<long long>(kPackage));

    // A download that fails leaves the package as it was, and no temporary file.
    EXPECT_FALSE(wt_->KT_downloadToFile(server_.url("/missing.mxp4"), file, 5));
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::HttpError);
    EXPECT_EQ(wt_->KT_getStatusCode(), 404);
    EXPECT_EQ(wt_->KT_getResponse(), "no such package");
    wt_->setTimeoutOverrideForTesting(0.5);
    EXPECT_FALSE(wt_->KT_downloadToFile(server_.url("/stall"), file, 5));
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::TimedOut);
    EXPECT_EQ(fs::file_size(file), kPackage);
    EXPECT_EQ(strayFiles(), 0u);
}

TEST_F(Downloads, RepliesPastTheirCapFailClearlyWithinTheBudget) {
    // An announced length past the cap: refused before anything is kept.
    wt_->KT_setMaxResponseBytes(1u << 20);
    wt_->KT_clear();
    wt_->KT_setURL(server_.url("/mix/pkg.mxp4"));
    wt_->KT_setTimeout(10);
    wt_->KT_sendWithResponseNow();
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::TooLarge);
    EXPECT_FALSE(wt_->KT_getResponse());
    ASSERT_TRUE(wt_->KT_getError());
    EXPECT_EQ(wt_->KT_getError()->code, KT_webtools::kReplyTooLarge);

    // No length, no end: the default cap of an exchange stops it long before the budget.
    wt_->KT_setMaxResponseBytes(0);
    wt_->KT_clear();
    wt_->KT_setURL(server_.url("/endless"));
    wt_->KT_setTimeout(20);
    auto start = Clock::now();
    wt_->KT_sendWithResponseNow();
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::TooLarge);
    EXPECT_LT(since(start), 10.0);
    EXPECT_FALSE(wt_->KT_getResponse());
    EXPECT_LE(wt_->KT_getProgress().received,
              static_cast<long long>(KT_webtools::kMaxReplyBytes + (4u << 20)));

    // With a cap large enough to outlast it, the time budget ends the transfer on time.
    wt_->KT_setMaxResponseBytes(1ull << 40);
    wt_->setTimeoutOverrideForTesting(1.0);
    const fs::path file = dir_ / "endless.bin";
    start = Clock::now();
    EXPECT_FALSE(wt_->KT_downloadToFile(server_.url("/endless"), file, 20));
    EXPECT_LT(since(start), 1.6);
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::TimedOut);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(Downloads, HttpErrorsAreToldFromTimeOutsAndFailures) {
    // A request refused by status with an empty body: an HTTP error, not a missing reply.
    wt_->setTimeoutOverrideForTesting(2.0);
    wt_->KT_prepareWebRequest();
    wt_->KT_addAction("WEBREQUEST", std::string("118"), {"photo"}, {std::string(100000, 'A')});
    wt_->KT_finishWebRequest();
    wt_->KT_sendWithResponseNow();
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::HttpError);
    EXPECT_EQ(wt_->KT_getStatusCode(), 413);
    EXPECT_FALSE(wt_->KT_getResponse());
    EXPECT_FALSE(wt_->KT_getError());

    wt_->setTimeoutOverrideForTesting(0.4);
    wt_->KT_clear();
    wt_->KT_setURL(server_.url("/stall"));
    wt_->KT_sendWithResponseNow();
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::TimedOut);
    EXPECT_FALSE(wt_->KT_getStatusCode());

    // Nobody listening: a transport error.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    wt_->KT_clear();
    wt_->KT_setURL("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/");
    wt_->KT_sendWithResponseNow();
    EXPECT_EQ(wt_->KT_getOutcome(), KT_Outcome::TransportError);
    EXPECT_FALSE(wt_->KT_getStatusCode());
}

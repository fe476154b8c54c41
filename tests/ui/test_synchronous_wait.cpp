// A handler waiting for a slow loopback server, as the shell's loading overlays do: the
// spinner turns and animations move during the wait, interface timers and animation
// completions wait for its end, and input given meanwhile is delivered after it — with the
// headless driver and with the SDL window host on the dummy video driver.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/app_services.h"
#include "platform/http/http_sync.h"
#include "platform/run_loop.h"
#include "platform/ui/activity_indicator_view.h"
#include "platform/ui/button.h"
#include "platform/ui/sdl/sdl_host.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"

using namespace ui;
using zplatform::RunLoop;

namespace {

// Answers every request "ok", `delay` seconds after reading it.
class SlowServer {
  public:
    explicit SlowServer(double delay) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            ADD_FAILURE() << "no loopback socket";
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, delay] {
            for (;;) {
                int c = ::accept(fd_, nullptr, nullptr);
                if (c < 0) return;
                std::string request;
                char buf[1024];
                while (request.find("\r\n\r\n") == std::string::npos) {
                    ssize_t n = ::read(c, buf, sizeof buf);
                    if (n <= 0) break;
                    request.append(buf, static_cast<size_t>(n));
                }
                std::this_thread::sleep_for(std::chrono::duration<double>(delay));
                const std::string reply =
                    "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
                [[maybe_unused]] ssize_t w = ::write(c, reply.data(), reply.size());
                ::close(c);
            }
        });
    }
    ~SlowServer() {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/slow"; }

  private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

bool fetch(const SlowServer& server) {
    zplatform::HttpRequest request;
    request.url = server.url();
    auto result = zplatform::sendSynchronousRequest(request, 5.0);
    return result.succeeded() && result.body == "ok";
}

Point centreOf(const View& v) {
    return v.convertPointToView(v.bounds().center(), nullptr);
}

} // namespace

TEST(SynchronousWait, HeadlessDriverAnimatesDuringTheWaitAndHoldsTimersAndInput) {
    SlowServer server(0.6);
    TestDriver driver;
    Window& w = driver.window();
    auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::Gray);
    w.addSubview(spinner);
    spinner->startAnimating();
    auto box = std::make_shared<View>(Rect{0, 100, 50, 50});
    w.addSubview(box);
    auto button = std::make_shared<Button>(Rect{100, 200, 100, 44});
    w.addSubview(button);

    int calls = 0, depth = 0, maxDepth = 0;
    bool replied = false, timerFired = false, completed = false;
    bool timerFiredInWait = true, completedInWait = true;
    std::shared_ptr<UiTimer> timer, ticker;
    int ticks = 0, ticksBeforeTap = 0;
    button->addTarget(
        [&](Control&) {
            ++calls;
            maxDepth = std::max(maxDepth, ++depth);
            if (calls == 1) {
                View::animate(
                    0.4, [&] { box->setAlpha(0); }, [&](bool) { completed = true; });
                timer = w.clock().scheduledTimer(0.05, false, [&](UiTimer&) { timerFired = true; });
                ticksBeforeTap = ticks;
                replied = fetch(server);
                timerFiredInWait = timerFired;
                completedInWait = completed;
            }
            --depth;
        },
        ControlEvent::TouchUpInside);

    std::set<int> spokes;
    std::vector<float> alphas;
    int sampler = RunLoop::current().addNestedRunObserver([&] {
        spokes.insert(spinner->leadingSpoke());
        alphas.push_back(box->presentationAlpha());
        if (alphas.size() == 3) { // a tap on the same button while its handler waits
            driver.touchDown(0, centreOf(*button));
            driver.touchUp(0);
        }
    });
    ticker = w.clock().scheduledTimer(0.1, true, [&](UiTimer&) { ++ticks; });
    driver.tap(button.get());
    RunLoop::current().removeNestedRunObserver(sampler);

    EXPECT_TRUE(replied);
    EXPECT_GE(driver.nestedFrames(), 10);
    EXPECT_GE(spokes.size(), 4u); // about 7 steps of the wheel in 0.6 s
    ASSERT_GE(alphas.size(), 10u);
    EXPECT_GT(alphas.front(), 0.8f);
    EXPECT_LT(alphas.back(), 0.01f);
    EXPECT_TRUE(std::is_sorted(alphas.rbegin(), alphas.rend()));
    EXPECT_FALSE(timerFiredInWait);
    EXPECT_FALSE(completedInWait);
    // After the wait: the held work, then the queued tap, never nested in the first handler.
    EXPECT_TRUE(timerFired);
    EXPECT_TRUE(completed);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(maxDepth, 1);
    // A repeating timer fires once for the turns it missed during the wait, not in a burst.
    EXPECT_EQ(ticks, ticksBeforeTap + 1);
}

TEST(SynchronousWait, SdlHostRedrawsDuringTheWaitAndDeliversInputAfterIt) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SlowServer server(0.4);
    auto window = std::make_shared<Window>();
    auto spinner = std::make_shared<ActivityIndicatorView>(ActivityIndicatorStyle::Gray);
    window->addSubview(spinner);
    spinner->startAnimating();
    auto waiter = std::make_shared<Button>(Rect{0, 0, 100, 100});
    auto other = std::make_shared<Button>(Rect{200, 0, 100, 100});
    window->addSubview(waiter);
    window->addSubview(other);
    sdl::SdlHost host(window);
    ASSERT_TRUE(host.ok()) << host.error();

    auto click = [](int x, int y) {
        for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            SDL_Event e{};
            e.type = type;
            e.button.x = x, e.button.y = y, e.button.button = SDL_BUTTON_LEFT;
            e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            SDL_PushEvent(&e);
        }
    };
    long drawnInWait = 0;
    int otherTaps = 0, otherTapsInWait = -1;
    bool replied = false;
    other->addTarget([&](Control&) { ++otherTaps; }, ControlEvent::TouchUpInside);
    waiter->addTarget(
        [&](Control&) {
            long before = host.framesDrawn();
            replied = fetch(server);
            drawnInWait = host.framesDrawn() - before;
            otherTapsInWait = otherTaps;
        },
        ControlEvent::TouchUpInside);
    bool clicked = false;
    int observer = RunLoop::main().addNestedRunObserver([&] {
        if (!clicked) click(250, 50);
        clicked = true;
    });

    ASSERT_TRUE(host.frame());
    click(50, 50);
    ASSERT_TRUE(host.frame()); // the waiter's handler waits inside this frame
    RunLoop::main().removeNestedRunObserver(observer);
    EXPECT_TRUE(replied);
    EXPECT_GE(drawnInWait, 5); // about 24 at 60 frames per second
    EXPECT_EQ(otherTapsInWait, 0);
    ASSERT_TRUE(host.frame());
    EXPECT_EQ(otherTaps, 1);
}

TEST(SdlHostServices, ScreenSaverFollowsTheIdleTimerAndF3SendsAMemoryWarning) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    auto window = std::make_shared<Window>();
    sdl::SdlHost host(window);
    ASSERT_TRUE(host.ok()) << host.error();
    auto& services = zplatform::ApplicationServices::shared();
    services.setIdleTimerDisabled(true);
    ASSERT_TRUE(host.frame());
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    services.setIdleTimerDisabled(false);
    ASSERT_TRUE(host.frame());
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());

    struct Delegate : zplatform::ApplicationDelegate {
        int warnings = 0;
        void applicationDidReceiveMemoryWarning() override { ++warnings; }
    } delegate;
    services.setDelegate(&delegate);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_F3;
    e.key.state = SDL_PRESSED;
    SDL_PushEvent(&e);
    ASSERT_TRUE(host.frame());
    services.setDelegate(nullptr);
    EXPECT_EQ(delegate.warnings, 1);
}

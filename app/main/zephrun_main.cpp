// zephrun: the application, in a window or headless.
//
//   zephrun [--scale 1|2] [--data-dir DIR] [--server URL] [--lang fr|en]
//   zephrun --headless [--script FILE] [--out DIR] [--seed N] [other options]
//
// Headless, the window is drawn offscreen and the audio recorded; a script drives it (see
// app/script/script_runner.h) and the program exits 0 when every line ran, 1 with the line and
// the reason otherwise. Without a script it runs until interrupted.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/main/app_host.h"
#include "app/script/script_runner.h"
#include "app/shell/zephrun_app_delegate.h"
#include "platform/ui/sdl/headless.h"
#include "platform/ui/sdl/sdl_host.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/window.h"

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) { interrupted = true; }

struct Options {
    zephrun::AppOptions app;
    std::string script;
};

int usage() {
    std::fprintf(stderr,
                 "usage: zephrun [--scale 1|2] [--data-dir DIR] [--server URL] [--lang fr|en]\n"
                 "       zephrun --headless [--script FILE] [--out DIR] [--seed N] [options]\n");
    return 2;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--headless") {
            o.app.headless = true;
        } else if (arg == "--scale") {
            if (!value(v) || (v != "1" && v != "2")) return false;
            o.app.scale = std::stof(v);
        } else if (arg == "--data-dir") {
            if (!value(o.app.dataDir)) return false;
        } else if (arg == "--server") {
            if (!value(v) || v.rfind("http", 0) != 0) return false;
            o.app.server = v;
        } else if (arg == "--lang") {
            if (!value(v) || (v != "fr" && v != "en")) return false;
            o.app.lang = v;
        } else if (arg == "--script") {
            if (!value(o.script)) return false;
        } else if (arg == "--out") {
            if (!value(o.app.outDir)) return false;
        } else if (arg == "--seed") {
            // A fixed seed: the same box placement and shakes at every run (scripts, demos).
            if (!value(v) || v.empty() || v.find_first_not_of("0123456789") != std::string::npos)
                return false;
            auto engine = std::make_shared<std::mt19937>(static_cast<std::uint32_t>(std::stoul(v)));
            o.app.random = [engine] { return static_cast<std::uint32_t>((*engine)()); };
        } else {
            return false;
        }
    }
    if (!o.script.empty() && !o.app.headless) return false;
    if (o.app.headless && o.app.outDir.empty()) o.app.outDir = "out";
    return true;
}

int runHeadless(Options& o) {
    zephrun::AppHost host(o.app);
    ui::TestDriver driver(host.window());
    if (!ui::sdl::installHeadlessRenderer(driver, o.app.scale)) {
        std::fprintf(stderr, "zephrun: no software renderer\n");
        return 1;
    }
    zephrun::ScriptRunner runner(host, driver, o.app.outDir);
    host.launch();
    if (o.script.empty()) {
        while (!interrupted) runner.wait(0.25);
        host.quit();
        return 0;
    }
    std::ifstream script(o.script);
    if (!script) {
        std::fprintf(stderr, "zephrun: cannot read %s\n", o.script.c_str());
        return 1;
    }
    const bool ok = runner.run(script);
    host.quit();
    if (!ok) {
        std::fprintf(stderr, "zephrun: %s: %s\n", o.script.c_str(), runner.error().c_str());
        return 1;
    }
    return 0;
}

int runWindow(Options& o) {
    zephrun::AppHost host(o.app);
    ui::sdl::SdlHostOptions options;
    options.scale = o.app.scale;
    options.title = "Zephrun";
    ui::sdl::SdlHost sdl(host.windowHandle(), options);
    if (!sdl.ok()) {
        std::fprintf(stderr, "zephrun: no window (%s); try --headless\n", sdl.error().c_str());
        return 1;
    }
    host.log().setEcho(std::getenv("ZEPHRUN_LOG") != nullptr);
    host.launch();
    while (!interrupted && sdl.frame()) host.afterFrame();
    host.quit();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) return usage();
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    return o.app.headless ? runHeadless(o) : runWindow(o);
}

// uidemo: the view toolkit's widget demo, in a window or rendered headless to a PNG file.
//
//   uidemo [--scale 1|2] [--page N]                  opens the window (Escape closes it)
//   uidemo --headless out.png [--scale 1|2] [--page N] [--tap x,y | --advance seconds]...
//
// Headless steps run in the order given, on the interface clock (no display needed).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/sdl/headless.h"
#include "platform/ui/sdl/sdl_host.h"
#include "platform/ui/test_driver.h"
#include "tools/uidemo/demo_screen.h"

namespace {

struct Step {
    bool tap = false;
    ui::Point point;
    double seconds = 0;
};

struct Options {
    std::string headless; // PNG path; empty: the window
    float scale = 1;
    int page = 0;
    std::vector<Step> steps;
};

int usage() {
    std::fprintf(stderr, "usage: uidemo [--scale 1|2] [--page N] [--headless out.png "
                         "[--tap x,y] [--advance seconds]...]\n");
    return 2;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        std::string value = argv[++i];
        char* end = nullptr;
        if (arg == "--headless") {
            o.headless = value;
        } else if (arg == "--scale") {
            o.scale = std::strtof(value.c_str(), &end);
            if (*end || (o.scale != 1 && o.scale != 2)) return false;
        } else if (arg == "--page") {
            o.page = static_cast<int>(std::strtol(value.c_str(), &end, 10)) - 1;
            if (*end || o.page < 0 || o.page >= uidemo::DemoScreen::kPages) return false;
        } else if (arg == "--tap") {
            Step s;
            s.tap = true;
            if (std::sscanf(value.c_str(), "%f,%f", &s.point.x, &s.point.y) != 2) return false;
            o.steps.push_back(s);
        } else if (arg == "--advance") {
            Step s;
            s.seconds = std::strtod(value.c_str(), &end);
            if (*end || s.seconds < 0 || s.seconds > 3600) return false;
            o.steps.push_back(s);
        } else {
            return false;
        }
    }
    return o.headless.empty() ? o.steps.empty() : true;
}

int runHeadless(const Options& o) {
    ui::TestDriver driver;
    if (!ui::sdl::installHeadlessRenderer(driver, o.scale)) {
        std::fprintf(stderr, "uidemo: no software renderer: %s\n", SDL_GetError());
        return 1;
    }
    uidemo::DemoScreen demo(driver.window());
    demo.showPage(o.page);
    for (const Step& s : o.steps) {
        if (s.tap)
            driver.tap(s.point);
        else
            driver.advance(s.seconds);
    }
    if (!driver.screenshot(o.headless)) {
        std::fprintf(stderr, "uidemo: cannot write %s\n", o.headless.c_str());
        return 1;
    }
    std::printf("%s: %s\n", o.headless.c_str(), demo.status().c_str());
    return 0;
}

int runWindow(const Options& o) {
    auto window = std::make_shared<ui::Window>();
    ui::sdl::SdlHostOptions options;
    options.scale = o.scale;
    options.title = "Zephrun widgets";
    ui::sdl::SdlHost host(window, options);
    if (!host.ok()) {
        std::fprintf(stderr, "uidemo: no window (%s); try --headless out.png\n",
                     host.error().c_str());
        return 1;
    }
    uidemo::DemoScreen demo(*window);
    demo.showPage(o.page);
    return host.run();
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) return usage();
    return o.headless.empty() ? runWindow(o) : runHeadless(o);
}

// The tour map over the application's window, as the community hub shows it: a member logged in
// at launch (the site's demo account), the map made at the hub's frame and its members loaded
// around its centre on the first opening.
#pragma once

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "app/community/tour_tracker/tour_tracker_view.h"
#include "app/persisted_keys.h"
#include "app_fixture.h"
#include "platform/user_defaults.h"

namespace apptest {

inline std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// Replaces every `from` of a content file of the run's server (read on every request).
inline void editContent(AppRun& r, const std::string& relative, const std::string& from,
                        const std::string& to) {
    const fs::path file = fs::path(r.dir.path()) / "content" / relative;
    std::string text = readText(file);
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    writeText(file, text);
}

class TourRun {
  public:
    explicit TourRun(RunOptions options = {}, bool member = true) : run(std::move(options)) {
        if (!member) return;
        auto& d = run.host->defaults();
        d.setString(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunLogin), "demo");
        d.setString(zephrun::persistedKey("Zephrun", zephrun::keys::kZephrunPassword), "zephrun");
    }
    ~TourRun() {
        if (tour) tour->removeFromSuperview();
        tour.reset();
    }

    // Launches, then opens the map as the hub does.
    bool open() {
        if (!run.launch()) return false;
        run.answerAlert(0); // the server's notification
        tour = std::make_shared<zephrun::TourTrackerView>(ui::Rect{0, 62, 320, 418}, run.app());
        run.app().window().addSubview(tour);
        if (!tour->membersRefreshed()) tour->refreshMembresAroundMe();
        run.advance(0.5);
        return true;
    }
    int requests(const std::string& summary) { return run.count("request", summary); }
    std::string lastAlert() {
        auto a = run.alerts();
        return a.empty() ? std::string() : alertMessage(a.back());
    }

    AppRun run;
    std::shared_ptr<zephrun::TourTrackerView> tour;
};

} // namespace apptest

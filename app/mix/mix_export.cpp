#include "app/mix/mix_export.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/run_loop.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

// XDG_MUSIC_DIR="$HOME/Music" in user-dirs.dirs: a quoted path, absolute or starting at $HOME.
std::string xdgMusicDirectory(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const fs::path base = config && *config == '/' ? fs::path(config) : fs::path(home) / ".config";
    std::ifstream in(base / "user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_MUSIC_DIR=\"";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        const size_t end = line.rfind('"');
        if (end == std::string::npos || end < key.size()) return {};
        std::string value = line.substr(key.size(), end - key.size());
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        // "$HOME/" alone means the directory is disabled, as the XDG tools read it.
        if (value.empty() || value[0] != '/' || fs::path(value) == fs::path(home)) return {};
        return value;
    }
    return {};
}

} // namespace

std::string musicDirectory() {
    const char* home = std::getenv("HOME");
    if (!home || *home != '/') return {};
    std::string xdg = xdgMusicDirectory(home);
    return xdg.empty() ? (fs::path(home) / "Music").string() : xdg;
}

std::string exportFileName(const std::string& directory, const std::string& package) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string stem = "Zephrun-" + package + "-" + stamp;
    std::error_code ec;
    fs::path path = fs::path(directory) / (stem + ".wav");
    for (int n = 2; fs::exists(path, ec) && n < 1000; ++n)
        path = fs::path(directory) / (stem + "-" + std::to_string(n) + ".wav");
    return path.string();
}

MixExport::MixExport() : alive_(std::make_shared<bool>(true)) {}

MixExport::~MixExport() {
    *alive_ = false;
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

bool MixExport::start(const std::string& packagePath, const zplayer::MixRecipe& recipe,
                      const std::string& outPath, Progress progress, const Done& done) {
    if (running_) return false;
    if (thread_.joinable()) thread_.join();
    running_ = true;
    cancel_ = false;
    std::shared_ptr<bool> alive = alive_;
    thread_ = std::thread([this, alive, packagePath, recipe, outPath, progress, done] {
        std::error_code ec;
        fs::create_directories(fs::path(outPath).parent_path(), ec);
        int lastPercent = -1;
        auto report = [&](double fraction) {
            // One update per percent is plenty for a bar, and keeps the run loop free.
            const int percent = static_cast<int>(fraction * 100);
            if (percent == lastPercent) return;
            lastPercent = percent;
            zplatform::RunLoop::main().post([alive, progress, fraction] {
                if (*alive && progress) progress(fraction);
            });
        };
        std::string error;
        const bool ok =
            zplayer::writeRecipeWav(packagePath, recipe, outPath, report, &cancel_, &error);
        zplatform::RunLoop::main().post([this, alive, ok, outPath, error, done] {
            if (!*alive) return;
            running_ = false;
            if (done) done(ok, ok ? outPath : error);
        });
    });
    return true;
}

} // namespace zephrun

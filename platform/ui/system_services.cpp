// System services: the address opener (xdg-open, spawned without a shell) and the music volume.
#include "platform/ui/system_services.h"

#include "platform/audio/music_volume.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace ui {
namespace {

bool hasDesktopSession() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return (set("DISPLAY") || set("WAYLAND_DISPLAY")) && !set("CI");
}

// Runs `xdg-open url` in a child process (argument vector, no shell), its output discarded;
// a detached thread reaps it so that a slow opener never blocks the interface.
bool spawnXdgOpen(const std::string& url) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool startsWithNoCase(const std::string& s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

} // namespace

SystemServices::SystemServices()
    : opener_([](const std::string& url) {
          if (!hasDesktopSession()) return true; // recorded only
          return spawnXdgOpen(url);
      }) {
    sharedVolumeToken_ =
        zplatform::MusicVolume::shared().addObserver([this](float v) { volumeChanged(v); });
}

SystemServices::~SystemServices() {
    zplatform::MusicVolume::shared().removeObserver(sharedVolumeToken_);
}

std::string SystemServices::pasteboardString() const {
    return pasteboardRead_ ? pasteboardRead_() : pasteboard_;
}

void SystemServices::setPasteboardString(const std::string& text) {
    if (pasteboardWrite_)
        pasteboardWrite_(text);
    else
        pasteboard_ = text;
}

float SystemServices::musicVolume() const {
    return zplatform::MusicVolume::shared().volume();
}

bool SystemServices::isOpenableURL(const std::string& url) {
    bool schemeOk = (startsWithNoCase(url, "http://") && url.size() > 7) ||
                    (startsWithNoCase(url, "https://") && url.size() > 8) ||
                    (startsWithNoCase(url, "mailto:") && url.size() > 7) ||
                    (startsWithNoCase(url, "tel:") && url.size() > 4);
    if (!schemeOk) return false;
    return std::none_of(url.begin(), url.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u <= 0x20 || u == 0x7f;
    });
}

bool SystemServices::openURL(const std::string& url) {
    if (!isOpenableURL(url)) return false;
    opened_.push_back(url);
    return opener_ ? opener_(url) : true;
}

std::string SystemServices::fileURL(const std::string& absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolutePath) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

bool SystemServices::openFile(const std::string& absolutePath) {
    std::error_code ec;
    if (absolutePath.empty() || absolutePath.front() != '/' ||
        !std::filesystem::is_regular_file(absolutePath, ec))
        return false;
    const std::string url = fileURL(absolutePath);
    opened_.push_back(url);
    return opener_ ? opener_(url) : true;
}

void SystemServices::setMusicVolume(float volume) {
    zplatform::MusicVolume::shared().setVolume(volume);
}

void SystemServices::volumeChanged(float volume) {
    // A copy: an observer may add or remove observers.
    auto observers = volumeObservers_;
    for (auto& [token, observer] : observers) {
        bool stillThere = std::any_of(volumeObservers_.begin(), volumeObservers_.end(),
                                      [t = token](const auto& o) { return o.first == t; });
        if (stillThere && observer) observer(volume);
    }
}

void SystemServices::addVolumeObserver(std::function<void(float)> observer) {
    observeVolume(std::move(observer));
}

int SystemServices::observeVolume(std::function<void(float)> observer) {
    int token = nextObserverToken_++;
    volumeObservers_.emplace_back(token, std::move(observer));
    return token;
}

void SystemServices::removeVolumeObserver(int token) {
    std::erase_if(volumeObservers_, [token](const auto& o) { return o.first == token; });
}

} // namespace ui

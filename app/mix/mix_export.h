// MixExport: a mix recipe written to a WAV file on a worker thread with a package instance of its
// own, so that the mix playing goes on undisturbed; its progress and its end come back on the
// interface thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "player/mix_recipe.h"

namespace zephrun {

// The user's music folder: XDG_MUSIC_DIR of the XDG user directories file ("$HOME/Music" written
// with $HOME expanded), else $HOME/Music; empty without a home.
std::string musicDirectory();
// A file name in `directory` that does not exist yet: "Zephrun-NAME-YYYYMMDD-HHMMSS.wav", with
// "-2", "-3"… added when needed.
std::string exportFileName(const std::string& directory, const std::string& package);

class MixExport {
  public:
    using Progress = std::function<void(double)>;
    using Done = std::function<void(bool ok, const std::string& pathOrError)>;

    MixExport();
    // Cancels a running export and waits for its thread.
    ~MixExport();
    MixExport(const MixExport&) = delete;
    MixExport& operator=(const MixExport&) = delete;

    // Starts writing `recipe` played from `packagePath` into `outPath` (its directory is made).
    // False when an export is already running. `progress` and `done` run on the interface thread.
    bool start(const std::string& packagePath, const zplayer::MixRecipe& recipe,
               const std::string& outPath, Progress progress, const Done& done);
    bool isRunning() const { return running_; }

  private:
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::shared_ptr<bool> alive_;
};

} // namespace zephrun

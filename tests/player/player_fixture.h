// Shared pieces of the player tests: the recording audio backend installed for one test, pumping
// it while the interface run loop turns, and a loopback HTTP server.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/audio_output.h"
#include "platform/audio/music_volume.h"
#include "platform/audio/recording_audio_backend.h"
#include "platform/run_loop.h"

namespace pt {

// Installs a recording backend for the test's lifetime; the session goes back to SDL after.
class RecordingSession {
  public:
    explicit RecordingSession(int rate = 44100)
        : backend_(std::make_shared<zplatform::RecordingAudioBackend>(rate)) {
        zplatform::MusicVolume::shared().setVolume(1.0f);
        zplatform::AudioSession::setBackend(backend_);
    }
    ~RecordingSession() { zplatform::AudioSession::setBackend(nullptr); }
    zplatform::RecordingAudioBackend& backend() { return *backend_; }

    // Plays `frames` frames in steps of `step`, turning the interface loop after each.
    void play(int64_t frames, int64_t step = 2205) {
        for (int64_t done = 0; done < frames; done += step) {
            backend_->pumpFrames(std::min(step, frames - done));
            zplatform::RunLoop::main().runOnce(0);
        }
    }
    // Plays in steps until pred() holds or `seconds` of real time pass.
    bool playUntil(const std::function<bool()>& pred, double seconds, int64_t step = 2205) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            backend_->pumpFrames(step);
            zplatform::RunLoop::main().runFor(0.002);
        }
        return true;
    }

  private:
    std::shared_ptr<zplatform::RecordingAudioBackend> backend_;
};

inline bool allZero(const std::vector<int16_t>& v, size_t from = 0, size_t to = SIZE_MAX) {
    for (size_t i = from; i < std::min(to, v.size()); ++i)
        if (v[i] != 0) return false;
    return true;
}

inline std::string dataFile(const std::string& name) {
    return std::string(ZEPHRUN_TEST_DATA_DIR) + "/" + name;
}

inline std::string readFile(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}

// A cpp-httplib server on 127.0.0.1 with its own thread; handlers that wait use waitForStop so
// that the server ends with the test.
class LoopbackServer {
  public:
    LoopbackServer() = default;
    ~LoopbackServer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        cv_.notify_all();
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    httplib::Server& server() { return server_; }
    void start() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // True when the server is shutting down.
    bool waitForStop(std::chrono::milliseconds d) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, d, [this] { return stopping_; });
    }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stopping_ = false;
};

} // namespace pt

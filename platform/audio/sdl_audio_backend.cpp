// SDL2 audio backend. The device callback only renders and bumps atomics; a service thread per
// output reads them and runs the played handler, so nothing on the audio thread posts or locks.
#include "platform/audio/sdl_audio_backend.h"

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace zplatform {
namespace {

constexpr Uint16 kDeviceFrames = 2048;
constexpr auto kServicePeriod = std::chrono::milliseconds(10);

class SdlAudioOutput : public AudioOutput {
  public:
    SdlAudioOutput(int rate, int pullFrames, Pull pull)
        : AudioOutput(rate, pullFrames, std::move(pull)) {}

    bool openDevice(std::string* error) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            *error = std::string("no audio: ") + SDL_GetError();
            return false;
        }
        sdlInit_ = true;
        SDL_AudioSpec want{}, have{};
        want.freq = sampleRate();
        want.format = AUDIO_S16SYS;
        want.channels = kChannels;
        want.samples = kDeviceFrames;
        want.callback = &SdlAudioOutput::callback;
        want.userdata = this;
        // No allowed changes: SDL converts to whatever the device runs at, so the callback's
        // frames are the source's.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (!device_) {
            *error = std::string("cannot open the audio output: ") + SDL_GetError();
            return false;
        }
        deviceFrames_ = have.samples;
        return true;
    }

    ~SdlAudioOutput() override { close(); }

    void resume() override {
        if (isClosed()) return;
        {
            // Started with the first resume, after the owner has set its played handler.
            std::lock_guard lock(serviceMutex_);
            if (!service_.joinable() && !stopService_)
                service_ = std::thread([this] { serviceLoop(); });
        }
        running_.store(true, std::memory_order_release);
        SDL_PauseAudioDevice(device_, 0);
    }

    void pause() override {
        if (isClosed()) return;
        SDL_PauseAudioDevice(device_, 1);
        running_.store(false, std::memory_order_release);
    }

    void close() override {
        if (closed_.exchange(true)) return;
        running_.store(false, std::memory_order_release);
        std::thread service;
        {
            std::lock_guard lock(serviceMutex_);
            stopService_ = true;
            service = std::move(service_);
        }
        serviceWake_.notify_all();
        if (service.joinable()) service.join();
        // Returns once the device thread has left the callback for good.
        if (device_) SDL_CloseAudioDevice(device_);
        device_ = 0;
        if (sdlInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlInit_ = false;
    }

  protected:
    int64_t deviceLatency() const override { return isRunning() ? deviceFrames_ : 0; }

  private:
    static void callback(void* user, Uint8* stream, int len) {
        static_cast<SdlAudioOutput*>(user)->render(reinterpret_cast<int16_t*>(stream),
                                                   len / (kChannels * 2));
    }

    void serviceLoop() {
        std::unique_lock lock(serviceMutex_);
        while (!stopService_) {
            serviceWake_.wait_for(lock, kServicePeriod);
            if (stopService_) break;
            lock.unlock();
            notifyPlayed();
            lock.lock();
        }
    }

    SDL_AudioDeviceID device_ = 0;
    bool sdlInit_ = false;
    int deviceFrames_ = kDeviceFrames;
    std::thread service_;
    std::mutex serviceMutex_;
    std::condition_variable serviceWake_;
    bool stopService_ = false;
};

} // namespace

std::unique_ptr<AudioOutput> SdlAudioBackend::open(int rate, int pullFrames, AudioOutput::Pull pull,
                                                   std::string* error) {
    auto out = std::make_unique<SdlAudioOutput>(rate, pullFrames, std::move(pull));
    if (!out->openDevice(error)) return nullptr;
    return out;
}

bool SdlAudioBackend::realDriver() {
    const char* d = SDL_GetCurrentAudioDriver();
    return d && std::strcmp(d, "dummy") != 0 && std::strcmp(d, "disk") != 0;
}

} // namespace zplatform

// System services reached from the interface: opening an address with the system (xdg-open on
// a desktop, recorded in tests), the system volume and the application music volume (the
// process's zplatform::MusicVolume, which the audio outputs play at).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ui {

class SystemServices {
  public:
    SystemServices();
    ~SystemServices();
    SystemServices(const SystemServices&) = delete;
    SystemServices& operator=(const SystemServices&) = delete;

    // `openURL:`: hands the address to the opener. The default opener runs xdg-open detached
    // when a desktop session exists (DISPLAY or WAYLAND_DISPLAY) and only records otherwise.
    // Returns false for an empty or non-http(s)/mailto/tel address.
    bool openURL(const std::string& url);
    // Opens a file the application wrote itself (a concert for the calendar) with the system's
    // program for its type, as "file://" and the percent-encoded path. Apart from openURL(),
    // which takes addresses from the server and so never opens a local file. Returns false for
    // a path that is not absolute or not a regular file.
    bool openFile(const std::string& absolutePath);
    // "file://" and the absolute path, every byte outside letters, digits and "/-._~" encoded.
    static std::string fileURL(const std::string& absolutePath);
    // Every address opened, in order.
    const std::vector<std::string>& openedURLs() const { return opened_; }
    // Replaces the opener (tests: record only).
    void setOpener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }

    // The application music player's volume, 0..1 (clamped); observers run on every change,
    // also one made through another SystemServices or MusicVolume directly (on the interface
    // thread).
    float musicVolume() const;
    void setMusicVolume(float volume);
    void addVolumeObserver(std::function<void(float)> observer);
    // Same, with a token for removeVolumeObserver() (views that die before the services).
    int observeVolume(std::function<void(float)> observer);
    void removeVolumeObserver(int token);

    // The general pasteboard's text: the desktop's clipboard when the host hands one over with
    // setPasteboard(), else kept by these services (headless runs, tests).
    std::string pasteboardString() const;
    void setPasteboardString(const std::string& text);
    void setPasteboard(std::function<std::string()> read,
                       std::function<void(const std::string&)> write) {
        pasteboardRead_ = std::move(read);
        pasteboardWrite_ = std::move(write);
    }

    // True for the addresses openURL() accepts: http, https, mailto or tel, without blanks or
    // control characters.
    static bool isOpenableURL(const std::string& url);

  private:
    std::vector<std::string> opened_;
    std::function<bool(const std::string&)> opener_;
    std::string pasteboard_;
    std::function<std::string()> pasteboardRead_;
    std::function<void(const std::string&)> pasteboardWrite_;
    void volumeChanged(float volume);
    int sharedVolumeToken_ = 0;
    int nextObserverToken_ = 1;
    std::vector<std::pair<int, std::function<void(float)>>> volumeObservers_;
};

} // namespace ui

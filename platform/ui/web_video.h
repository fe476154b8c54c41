// WebVideo: the clip of one HTML5 <video> element in the web view. The clip is fetched over HTTP
// on the interface thread's loop and streamed into FFmpeg as it arrives; a decoder thread turns
// it into pictures, handed to the interface thread through its run loop, and sound, pulled by an
// audio output. Pictures are shown by the time of the sound heard (or of the interface's clock
// for a silent clip). The first picture shows before the clip plays; play/pause toggles.
//
// Threads: interface thread only (the decoder thread is internal). Destroying it stops the
// download, the decoder and the output.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace ui {

// The first <video> element of a page: its clip (the element's src, else its first <source
// src>), its size attributes and the page line it follows.
struct VideoElement {
    std::string src;
    float width = 0, height = 0; // 0 when not given
    size_t line = 0;             // index among the page's text lines
};
std::optional<VideoElement> findVideoElement(std::string_view html);
// `ref` resolved against the page address `base` (absolute, root-relative or relative).
std::string resolveURL(const std::string& base, const std::string& ref);

class WebVideo {
  public:
    // `changed` runs on the interface thread whenever the picture or the state changes.
    WebVideo(const std::string& url, std::function<void()> changed);
    ~WebVideo();

    void play();
    void pause();
    void toggle() { isPlaying() ? pause() : play(); }
    bool isPlaying() const;
    bool hasEnded() const;
    // The clip could not be fetched or decoded: nothing is shown.
    bool failed() const;
    // The picture to show now; empty before the first one.
    const Image& picture() const;
    // Picture size (after decoding), 0 before the first one.
    Size pictureSize() const;
    // Pictures shown so far (for tests and diagnostics).
    int picturesShown() const;

    WebVideo(const WebVideo&) = delete;
    WebVideo& operator=(const WebVideo&) = delete;

    struct Impl;

  private:
    std::shared_ptr<Impl> impl_;
};

} // namespace ui

// SDL2 audio backend: one SDL audio device per output, opened at the source's rate (SDL converts
// to the device's). Works on SDL's "dummy" and "disk" drivers, so tests need no sound card.
#pragma once

#include "platform/audio/audio_output.h"

namespace zplatform {

class SdlAudioBackend : public AudioBackend {
  public:
    std::unique_ptr<AudioOutput> open(int rate, int pullFrames, AudioOutput::Pull pull,
                                      std::string* error) override;

    // True when SDL's current audio driver plays to a real device (not "dummy" or "disk").
    static bool realDriver();
};

} // namespace zplatform

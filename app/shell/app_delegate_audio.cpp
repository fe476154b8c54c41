// The delegate's audio operations: every start and stop of a preview or a mix goes through the
// routing, so that the two never play together.
#include "app/shell/audio_routing.h"
#include "app/shell/zephrun_app_delegate.h"
#include "player/mxp4reader.h"

namespace zephrun {

void ZephrunAppDelegate::audioPlayUrl(const std::string& url) { audio_->audioPlayUrl(url); }
void ZephrunAppDelegate::audioStop() { audio_->audioStop(); }
int ZephrunAppDelegate::audioMixStart(const std::string& name) {
    return audio_->audioMixStart(name, std::nullopt);
}
int ZephrunAppDelegate::audioMixStart(const std::string& name, int track) {
    return audio_->audioMixStart(name, track);
}
int ZephrunAppDelegate::audioMixStart(const std::string& name, int track,
                                      const std::function<void(zplayer::mxp4reader&)>& prepare) {
    return audio_->audioMixStart(name, track, prepare);
}
void ZephrunAppDelegate::audioMixPlay() { audio_->audioMixPlay(); }
void ZephrunAppDelegate::audioMixPause() { audio_->audioMixPause(); }
void ZephrunAppDelegate::audioMixStop() { audio_->audioMixStop(); }
void ZephrunAppDelegate::audioMixChangeTrack(int track) { audio_->audioMixChangeTrack(track); }
void ZephrunAppDelegate::audioMixsetVolume(float volume) { audio_->audioMixsetVolume(volume); }
std::optional<float> ZephrunAppDelegate::audioMixgetProgress() {
    return audio_->audioMixgetProgress();
}
void ZephrunAppDelegate::loadMixFile() { audio_->loadMixFile(); }
bool ZephrunAppDelegate::isDownloadingMix() const { return audio_->isDownloading(); }

void ZephrunAppDelegate::audioMixTrackVolume(int track, int level) {
    if (zplayer::mxp4reader* mix = audio_->myAudioMix()) mix->audiotrackVol(track, level, level);
}

} // namespace zephrun

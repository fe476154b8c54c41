// SDL_ttf and SDL subsystem lifetime guards.
#include "platform/ui/sdl/sdl_handles.h"

namespace ui::sdl {

TtfSession::TtfSession() : ok_(TTF_Init() == 0) {}

TtfSession::~TtfSession() {
    if (ok_) TTF_Quit();
}

SdlSubsystems::SdlSubsystems(Uint32 flags) : flags_(flags), ok_(SDL_InitSubSystem(flags) == 0) {}

SdlSubsystems::~SdlSubsystems() {
    if (ok_) SDL_QuitSubSystem(flags_);
}

} // namespace ui::sdl

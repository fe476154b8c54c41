// Owning handles for SDL2, SDL_ttf and fontconfig objects (unique_ptr with their free calls).
#pragma once

#include <memory>

#include <SDL.h>
#include <SDL_ttf.h>

namespace ui::sdl {

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
struct TextureDeleter {
    void operator()(SDL_Texture* t) const { SDL_DestroyTexture(t); }
};
struct RendererDeleter {
    void operator()(SDL_Renderer* r) const { SDL_DestroyRenderer(r); }
};
struct WindowDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct FontDeleter {
    void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
};
struct SensorDeleter {
    void operator()(SDL_Sensor* s) const { SDL_SensorClose(s); }
};

using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;
using TexturePtr = std::unique_ptr<SDL_Texture, TextureDeleter>;
using RendererPtr = std::unique_ptr<SDL_Renderer, RendererDeleter>;
using WindowPtr = std::unique_ptr<SDL_Window, WindowDeleter>;
using FontPtr = std::unique_ptr<TTF_Font, FontDeleter>;
using SensorPtr = std::unique_ptr<SDL_Sensor, SensorDeleter>;

// Keeps SDL_ttf initialised for its lifetime (TTF_Init / TTF_Quit are reference counted).
class TtfSession {
  public:
    TtfSession();
    ~TtfSession();
    TtfSession(const TtfSession&) = delete;
    TtfSession& operator=(const TtfSession&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_;
};

// Keeps SDL subsystems initialised for its lifetime (SDL_InitSubSystem is reference counted).
class SdlSubsystems {
  public:
    explicit SdlSubsystems(Uint32 flags);
    ~SdlSubsystems();
    SdlSubsystems(const SdlSubsystems&) = delete;
    SdlSubsystems& operator=(const SdlSubsystems&) = delete;
    bool ok() const { return ok_; }

  private:
    Uint32 flags_;
    bool ok_;
};

} // namespace ui::sdl

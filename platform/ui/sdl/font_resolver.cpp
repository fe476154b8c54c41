// Font lookup through fontconfig with a fixed stand-in list for humanist families.
#include "platform/ui/sdl/font_resolver.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <memory>

namespace ui::sdl {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

bool hasFamily(FcPattern* pattern, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) return true;
    }
    return false;
}

} // namespace

FontResolver::FontResolver() : config_(FcInitLoadConfigAndFonts()) {}

FontResolver::~FontResolver() {
    if (config_) FcConfigDestroy(config_);
}

const std::vector<std::string>& FontResolver::fallbacksFor(const std::string& family) {
    static const std::vector<std::string> humanist{"Open Sans", "Cantarell", "DejaVu Sans"};
    static const std::vector<std::string> none;
    if (strcasecmp(family.c_str(), "Trebuchet MS") == 0) return humanist;
    return none;
}

std::optional<ResolvedFont> FontResolver::resolve(const std::string& family, bool bold) {
    auto key = std::make_pair(family, bold);
    if (auto it = cache_.find(key); it != cache_.end()) return it->second;

    std::optional<ResolvedFont> found;
    const auto& fallbacks = fallbacksFor(family);
    if (fallbacks.empty()) {
        found = match(family, bold, false);
    } else {
        found = match(family, bold, true);
        for (size_t i = 0; !found && i < fallbacks.size(); ++i)
            found = match(fallbacks[i], bold, true);
        if (!found) found = match(family, bold, false);
    }
    cache_.emplace(key, found);
    return found;
}

std::optional<ResolvedFont> FontResolver::match(const std::string& family, bool bold,
                                                bool exact) const {
    if (!config_) return std::nullopt;
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return std::nullopt;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    // Scalable faces only: SDL_ttf draws them at any size.
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config_, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    PatternPtr face(FcFontMatch(config_, pattern.get(), &result));
    if (!face || result != FcResultMatch) return std::nullopt;
    if (exact && !hasFamily(face.get(), family)) return std::nullopt;

    FcChar8* file = nullptr;
    if (FcPatternGetString(face.get(), FC_FILE, 0, &file) != FcResultMatch || !file)
        return std::nullopt;
    ResolvedFont resolved;
    resolved.file = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(face.get(), FC_INDEX, 0, &index) == FcResultMatch)
        resolved.faceIndex = index;
    FcChar8* faceFamily = nullptr;
    if (FcPatternGetString(face.get(), FC_FAMILY, 0, &faceFamily) == FcResultMatch)
        resolved.family = reinterpret_cast<const char*>(faceFamily);
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(face.get(), FC_WEIGHT, 0, &weight);
    resolved.syntheticBold = bold && weight < FC_WEIGHT_DEMIBOLD;
    return resolved;
}

} // namespace ui::sdl

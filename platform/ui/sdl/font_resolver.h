// Font files for the toolkit's family names, found through fontconfig.
//
// "Trebuchet MS" is rarely installed on a desktop: when fontconfig has no face of that family,
// the first installed face of a fixed list of humanist sans-serifs stands in ("Open Sans",
// then "Cantarell", then "DejaVu Sans"), so the same machine always draws with the same file.
// Other families take fontconfig's best match (its metric aliases send "Helvetica" and "Arial"
// to "Liberation Sans" when installed).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/font.h"

struct _FcConfig;

namespace ui::sdl {

struct ResolvedFont {
    std::string file;
    int faceIndex = 0;
    std::string family;         // the family of the face found
    bool syntheticBold = false; // bold asked for, but the face is not bold
    friend bool operator==(const ResolvedFont&, const ResolvedFont&) = default;
};

class FontResolver {
  public:
    FontResolver();
    ~FontResolver();
    FontResolver(const FontResolver&) = delete;
    FontResolver& operator=(const FontResolver&) = delete;

    // The face for a family and weight; nullopt when fontconfig knows no font file at all.
    // Results are cached per (family, bold).
    std::optional<ResolvedFont> resolve(const std::string& family, bool bold);
    std::optional<ResolvedFont> resolve(const Font& font) {
        return resolve(font.family, font.bold);
    }

    // The stand-ins tried in order for a family with no installed face, or empty.
    static const std::vector<std::string>& fallbacksFor(const std::string& family);

  private:
    // fontconfig's best match; with `exact`, only a face whose family is `family`.
    std::optional<ResolvedFont> match(const std::string& family, bool bold, bool exact) const;

    _FcConfig* config_;
    std::map<std::pair<std::string, bool>, std::optional<ResolvedFont>> cache_;
};

} // namespace ui::sdl
